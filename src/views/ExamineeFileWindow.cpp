#include "views/ExamineeFileWindow.h"

#include "core/MakerSite.h"
#include "reports/AnswerImport.h"
#include "reports/XlsxBlankWorkbook.h"
#include "shell/Appearance.h"
#include "shell/Desktop.h"
#include "shell/FileDialog.h"
#include "shell/MessageBox.h"
#include "store/QuestionStore.h"
#include "views/ViewParts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <memory>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

enum Column { Id = 0, FullName = 1, Alter = 2, CodeColumn = 3 };

const QString kNoName = u"نام :"_s;

QString SiteAddress() {
    return QString::fromLatin1(kMakerSite);
}

} // namespace

QUrl ExamineeFileWindow::BlankWorkbookAddress() {
    return QUrl(SiteAddress() + u"/Soft/Morvalen/2022/Morvalen-Excel.zip"_s);
}

ExamineeFileWindow::ExamineeFileWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"ExamineeFileWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"فايل آزمودني"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    build();
    if (m_db) {
        m_list = new ExamineeListModel(*m_db, ExamineeList::Brief, this);
        m_list->setHeaderData(Id, Qt::Horizontal, u"#"_s);
        m_list->setHeaderData(FullName, Qt::Horizontal, u"نام و نام خانوادگي"_s);
        m_examineeList->setModel(m_list);
        // One visible column: the name.
        for (const int hidden : {int(Id), int(Alter), int(CodeColumn)}) {
            m_examineeList->setColumnHidden(hidden, true);
        }
        m_examineeList->setColumnWidth(FullName, 2800 / 15);
        OnCurrentRowChanged(m_examineeList, this, [this](int row) { followCurrentRow(row, true); });
        // A click on the row that is already current changes no row, yet it is the user's
        // choice all the same: its name is shown.
        connect(m_examineeList, &QAbstractItemView::clicked, this,
                [this](const QModelIndex& index) { followCurrentRow(index.row(), true); });
        // The newest examinee is current when the window opens; the name label waits for a
        // choice.
        if (m_list->rowCount() > 0) {
            QSignalBlocker quiet(m_examineeList->selectionModel());
            m_examineeList->setCurrentIndex(m_list->index(0, FullName));
            followCurrentRow(0, false);
        }
    }
}

ExamineeFileWindow::~ExamineeFileWindow() {
    if (m_examineeList) {
        m_examineeList->setModel(nullptr);
    }
}

void ExamineeFileWindow::build() {
    resize(560, 520);
    auto* layout = new QVBoxLayout(this);

    m_nameLabel = new QLabel(kNoName, this);
    m_nameLabel->setObjectName(u"nameLabel"_s);
    m_nameLabel->setFont(NazaninFont(12, true));
    m_codeLabel = new QLabel(this);
    m_codeLabel->setObjectName(u"codeLabel"_s);
    m_codeLabel->setFont(NazaninFont(12, true));
    auto* named = new QHBoxLayout;
    named->addWidget(m_nameLabel);
    named->addWidget(m_codeLabel);
    named->addStretch();
    layout->addLayout(named);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(u"nameEdit"_s);
    m_nameEdit->hide();
    m_codeEdit = new QLineEdit(this);
    m_codeEdit->setObjectName(u"codeEdit"_s);
    m_codeEdit->hide();

    auto* middle = new QHBoxLayout;
    m_examineeList = MakeExamineeList(this);
    auto* listSide = new QVBoxLayout;
    m_searchEdit = new ExamineeSearchField(m_examineeList, this);
    listSide->addWidget(m_searchEdit);
    listSide->addWidget(m_examineeList, 1);
    middle->addLayout(listSide, 1);
    m_helpPanel = MakeHelpPanel(
        this, u"راهنما"_s,
        {u"اين قسمت از نرم افزار جهت بارگذاري فايل "_s, u"اکسل طراحي شده است."_s,
         u"- روي نام آزمودني مورد نظر دو بار کليک کنيد. "_s, u"- فايل اکسل حاوي پاسخ آزمودني را انتخاب "_s,
         u"کنيد. تا وارد سيستم و ذخيره شود."_s, QString(), u"توجه داشته باشيد که: نام فايل اکسل آزمودني و "_s,
         u"يا فولدري که فايل اکسل در آن مي باشد, نبايد با "_s, u"حروف فارسي باشد."_s},
        &m_helpText, &m_helpCloseButton);
    m_helpPanel->setObjectName(u"helpPanel"_s);
    middle->addWidget(m_helpPanel, 1);
    layout->addLayout(middle, 1);

    m_waitPanel = new QGroupBox(this);
    m_waitPanel->setObjectName(u"waitPanel"_s);
    auto* waitLayout = new QHBoxLayout(m_waitPanel);
    auto* wait = new QLabel(u"لطفا کمي صبر کنيد..."_s, m_waitPanel);
    wait->setFont(NazaninFont(14, true));
    waitLayout->addWidget(wait, 0, Qt::AlignCenter);
    m_waitPanel->hide();
    layout->addWidget(m_waitPanel);

    // In this order along the row, and so for the tab key.
    auto* buttons = new QHBoxLayout;
    const auto addButton = [this, buttons](const QString& caption, const QString& name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    m_helpButton = addButton(u"راهنما"_s, u"helpButton"_s);
    m_downloadButton = addButton(u"دانلود فايل خام اكسل پرسشنامه"_s, u"downloadButton"_s);
    m_saveBlankButton = addButton(u"ذخيره فايل خام اكسل پرسشنامه"_s, u"saveBlankButton"_s);
    m_exitButton = addButton(u"خروج"_s, u"exitButton"_s);
    m_saveBlankButton->setToolTip(u"فايل خام پاسخنامه با متن سوالات، بدون نياز به اينترنت"_s);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        m_helpPanel->show();
        m_helpPanel->raise();
    });
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    // The browser does the download; whether one opens is not reported.
    connect(m_downloadButton, &QPushButton::clicked, this, [] { Desktop::openUrl(BlankWorkbookAddress()); });
    connect(m_saveBlankButton, &QPushButton::clicked, this, &ExamineeFileWindow::saveBlankWorkbook);
    connect(m_examineeList, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            followCurrentRow(index.row(), true);
            importAnswers();
        }
    });
}

void ExamineeFileWindow::followCurrentRow(int row, bool showName) {
    if (!m_list || row < 0 || row >= m_list->rowCount()) {
        m_nameEdit->clear();
        m_codeEdit->clear();
        m_nameLabel->setText(kNoName);
        m_codeLabel->clear();
        return;
    }
    m_nameEdit->setText(m_list->value(row, u"FullName"_s));
    m_codeEdit->setText(m_list->value(row, u"Code"_s));
    if (showName) {
        m_nameLabel->setText(u"نام و نام خانوادگي: "_s + m_nameEdit->text());
        m_codeLabel->setText(u"کد: "_s + m_codeEdit->text());
    }
}

void ExamineeFileWindow::importAnswers() {
    const QString code = m_codeEdit->text();
    if (m_importing || !m_list || m_list->rowCount() == 0 || code.isEmpty()) {
        return; // an empty list starts no import
    }
    const QString path =
        FileDialog::getOpenFileName(this, QString(), m_context.documentsFolder,
                                    u"All (*.*)|*.*|xlsx (*.xlsx)|*.xlsx|xls (*.xls)|*.xls"_s);
    if (path.isEmpty()) {
        m_waitPanel->hide();
        MessageBox::warning(this, u"Error A3"_s, u" عمليات با مشکل مواجه شده است "_s);
        return;
    }
    m_waitPanel->show();
    AnswerWorkbook workbook;
    const bool read = readAnswerWorkbook(path, &workbook);
    if (!read) {
        m_waitPanel->hide();
        return; // cancelled by the user: nothing written, nothing to say
    }
    const ImportStatus status = workbook.status == ImportStatus::Imported
                                    ? StoreImportedAnswers(workbook, m_context.programFolder, code)
                                    : workbook.status;
    m_waitPanel->hide();
    reportImport(static_cast<int>(status));
}

bool ExamineeFileWindow::readAnswerWorkbook(const QString& path, AnswerWorkbook* workbook) {
    // The thread owns what it writes; a cancelled read finishes on its own and is dropped.
    auto result = std::make_shared<AnswerWorkbook>();
    QThread* reader = QThread::create([result, path] { *result = ReadAnswerWorkbook(path); });
    QEventLoop loop;
    QProgressDialog progress(u"در حال خواندن فايل اکسل..."_s, u"انصراف"_s, 0, 0, this);
    progress.setObjectName(u"importProgress"_s);
    progress.setWindowTitle(u"Morvalen"_s);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(std::numeric_limits<int>::max()); // shown by the timer below
    QTimer showLater;
    showLater.setSingleShot(true);
    connect(&showLater, &QTimer::timeout, &progress, &QWidget::show);
    connect(reader, &QThread::finished, &loop, &QEventLoop::quit);
    connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    // The window's controls take no input meanwhile; the window repaints, and the progress
    // dialog (a window of its own, so not disabled with them) answers its cancel button.
    m_importing = true;
    const QList<QWidget*> controls{m_examineeList,    m_helpButton, m_downloadButton,
                                   m_saveBlankButton, m_exitButton, m_helpPanel};
    for (QWidget* control : controls) {
        control->setEnabled(false);
    }
    reader->start();
    showLater.start(m_progressDelayMs);
    loop.exec();
    for (QWidget* control : controls) {
        control->setEnabled(true);
    }
    m_importing = false;
    if (!reader->isFinished()) {
        connect(reader, &QThread::finished, reader, &QObject::deleteLater);
        return false;
    }
    reader->wait();
    delete reader;
    if (progress.wasCanceled()) {
        return false;
    }
    *workbook = *result;
    return true;
}

void ExamineeFileWindow::reportImport(int status) {
    switch (static_cast<ImportStatus>(status)) {
    case ImportStatus::Imported:
        MessageBox::information(this, u"ورود اطلاعات"_s, u"  داده ها با موفقيت وارد سيستم شدند \r\n"_s);
        break;
    case ImportStatus::WrongMarker:
        MessageBox::information(this, u"Error A1"_s, u" فايل انتخاب شده قابل بارگذاري نيست "_s);
        break;
    case ImportStatus::Unreadable:
        MessageBox::information(this, u"Error A4"_s,
                                u"اين فايل دستكاري شده و يا اشتباه انتخاب شده است\r\n"_s
                                u" لطفا فايل اصلي را از سايت دانلود كنيد \r\n\r\n"_s
                                u" آدرس سايت \r\n"_s
                                u" "_s +
                                    SiteAddress() + u" "_s);
        break;
    case ImportStatus::NoAnswerRow:
        MessageBox::warning(this, u"توجه"_s,
                            u"براي اين آزمودني رديف پاسخ در بانک اطلاعات وجود ندارد؛ هيچ پاسخي وارد نشد."_s);
        break;
    case ImportStatus::WriteFailed:
        MessageBox::critical(
            this, u"خطا"_s,
            u"پاسخ ها در بانک اطلاعات ذخيره نشد؛ پاسخ هاي قبلي آزمودني دست نخورده باقي ماند."_s);
        break;
    }
}

void ExamineeFileWindow::saveBlankWorkbook() {
    const QString name = FileDialog::getSaveFileName(this, QString(), m_context.documentsFolder,
                                                     u"Morvalen-Excel.xlsx"_s, u"Excel 2007 |*.xlsx"_s);
    if (name.isEmpty()) {
        return;
    }
    const QString chosen = FileDialog::WithSuffix(name, u".xlsx"_s);
    QStringList questions;
    if (m_db) {
        QuestionStore store(*m_db);
        for (int item = 1; item <= kItemCount; ++item) {
            questions.append(store.text(item));
        }
    }
    QString error;
    if (!WriteBlankAnswerWorkbook(chosen, questions, &error)) {
        MessageBox::show(this, MessageBox::Icon::None, u"Error"_s,
                         u"فايل خام اکسل ذخيره نشد:\r\n"_s + QDir::toNativeSeparators(chosen) +
                             u"\r\n\r\n"_s + error);
        return;
    }
    MessageBox::show(this, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

void ExamineeFileWindow::closeEvent(QCloseEvent* event) {
    if (m_importing) {
        event->ignore(); // the import ends first; its cancel button is there for that
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
