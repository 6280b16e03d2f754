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
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

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
        VSFlexGrid1->setModel(m_list);
        // One visible column: the name.
        for (const int hidden : {int(Id), int(Alter), int(CodeColumn)}) {
            VSFlexGrid1->setColumnHidden(hidden, true);
        }
        VSFlexGrid1->setColumnWidth(FullName, 2800 / 15);
        connect(VSFlexGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) { followCurrentRow(current.row(), true); });
        // The newest examinee is current when the window opens; the name label waits for a
        // choice.
        if (m_list->rowCount() > 0) {
            QSignalBlocker quiet(VSFlexGrid1->selectionModel());
            VSFlexGrid1->setCurrentIndex(m_list->index(0, FullName));
            followCurrentRow(0, false);
        }
    }
}

ExamineeFileWindow::~ExamineeFileWindow() {
    if (VSFlexGrid1) {
        VSFlexGrid1->setModel(nullptr);
    }
}

void ExamineeFileWindow::build() {
    resize(560, 520);
    auto* layout = new QVBoxLayout(this);

    LbelName = new QLabel(kNoName, this);
    LbelName->setObjectName(u"LbelName"_s);
    LbelName->setFont(NazaninFont(12, true));
    layout->addWidget(LbelName);
    TxtName = new QLineEdit(this);
    TxtName->setObjectName(u"TxtName"_s);
    TxtName->hide();
    Text16 = new QLineEdit(this);
    Text16->setObjectName(u"Text16"_s);
    Text16->hide();

    auto* middle = new QHBoxLayout;
    VSFlexGrid1 = MakeExamineeList(this);
    middle->addWidget(VSFlexGrid1, 1);
    QPushButton* closeHelp = nullptr;
    GroupBox1 = MakeHelpPanel(
        this, u"راهنما"_s,
        {u"اين قسمت از نرم افزار جهت بارگذاري فايل "_s, u"اکسل طراحي شده است."_s,
         u"- روي نام آزمودني مورد نظر دو بار کليک کنيد. "_s, u"- فايل اکسل حاوي پاسخ آزمودني را انتخاب "_s,
         u"کنيد. تا وارد سيستم و ذخيره شود."_s, QString(), u"توجه داشته باشيد که: نام فايل اکسل آزمودني و "_s,
         u"يا فولدري که فايل اکسل در آن مي باشد, نبايد با "_s, u"حروف فارسي باشد."_s},
        &Text3, &closeHelp);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    Text3->setObjectName(u"Text3"_s);
    closeHelp->setObjectName(u"PushButton1_0"_s);
    PushButton1[CloseHelp] = closeHelp;
    middle->addWidget(GroupBox1, 1);
    layout->addLayout(middle, 1);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(u"GroupBox2"_s);
    auto* waitLayout = new QHBoxLayout(GroupBox2);
    auto* wait = new QLabel(u"لطفا کمي صبر کنيد..."_s, GroupBox2);
    wait->setFont(NazaninFont(14, true));
    waitLayout->addWidget(wait, 0, Qt::AlignCenter);
    GroupBox2->hide();
    layout->addWidget(GroupBox2);

    auto* buttons = new QHBoxLayout;
    const std::pair<int, QString> captions[] = {{Help, u"راهنما"_s},
                                                {Download, u"دانلود فايل خام اكسل پرسشنامه"_s},
                                                {SaveBlank, u"ذخيره فايل خام اكسل پرسشنامه"_s},
                                                {Exit, u"خروج"_s}};
    for (const auto& [index, caption] : captions) {
        PushButton1[index] = new QPushButton(caption, this);
        PushButton1[index]->setObjectName(u"PushButton1_%1"_s.arg(index));
        PushButton1[index]->setAutoDefault(false);
        buttons->addWidget(PushButton1[index]);
    }
    PushButton1[SaveBlank]->setToolTip(u"فايل خام پاسخنامه با متن سوالات، بدون نياز به اينترنت"_s);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(PushButton1[Help], &QPushButton::clicked, this, [this] {
        GroupBox1->show();
        GroupBox1->raise();
    });
    connect(PushButton1[Exit], &QPushButton::clicked, this, &QWidget::close);
    // The browser does the download; whether one opens is not reported.
    connect(PushButton1[Download], &QPushButton::clicked, this,
            [] { Desktop::openUrl(BlankWorkbookAddress()); });
    connect(PushButton1[SaveBlank], &QPushButton::clicked, this, &ExamineeFileWindow::SaveBlankWorkbook);
    VSFlexGrid1->installEventFilter(this);
    connect(VSFlexGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            followCurrentRow(index.row(), true);
            ImportExcel();
        }
    });
}

void ExamineeFileWindow::followCurrentRow(int row, bool showName) {
    if (!m_list || row < 0 || row >= m_list->rowCount()) {
        return;
    }
    TxtName->setText(m_list->value(row, u"FullName"_s));
    Text16->setText(m_list->value(row, u"Code"_s));
    if (showName) {
        LbelName->setText(u"نام و نام خانوادگي: "_s + TxtName->text());
    }
}

void ExamineeFileWindow::ImportExcel() {
    const QString code = Text16->text();
    if (!m_list || m_list->rowCount() == 0 || code.isEmpty()) {
        return; // an empty list starts no import
    }
    const QString path =
        FileDialog::getOpenFileName(this, QString(), m_context.documentsFolder,
                                    u"All (*.*)|*.*|xlsx (*.xlsx)|*.xlsx|xls (*.xls)|*.xls"_s);
    if (path.isEmpty()) {
        GroupBox2->hide();
        MessageBox::warning(this, u"Error A3"_s, u" عمليات با مشکل مواجه شده است "_s);
        return;
    }
    GroupBox2->show();
    GroupBox2->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportStatus status = ImportAnswers(path, m_context.programFolder, code);
    QApplication::restoreOverrideCursor();
    GroupBox2->hide();
    reportImport(static_cast<int>(status));
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

void ExamineeFileWindow::SaveBlankWorkbook() {
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
        MessageBox::show(this, MessageBox::Icon::None, u"Error"_s, error);
        return;
    }
    MessageBox::show(this, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

bool ExamineeFileWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == VSFlexGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && VSFlexGrid1->currentIndex().isValid()) {
            followCurrentRow(VSFlexGrid1->currentIndex().row(), true);
            ImportExcel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ExamineeFileWindow::closeEvent(QCloseEvent* event) {
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
