#include "views/RegistryWindow.h"

#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
#include "shell/TimedMessage.h"
#include "views/KeyFilter.h"
#include "views/QuestionnaireWindow.h"
#include "views/ViewParts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The list's columns, in the order of the registry statement.
enum Column {
    Id = 0,
    FullName,
    Alter,
    Geschlecht,
    Heirat,
    Datum1,
    Bildung,
    TelNummer1,
    TesterName,
    CodeColumn
};

} // namespace

RegistryWindow::RegistryWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"RegistryWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"آزمودني ها"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    build();
    if (m_db) {
        m_examinees = std::make_unique<ExamineeStore>(*m_db);
        m_list = new ExamineeListModel(*m_db, ExamineeList::Registry, this);
        VSFlexGrid1->setModel(m_list);
        connect(VSFlexGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (m_state == State::Browsing && current.isValid()) {
                        showRow(current.row());
                    }
                });
        FormatGrid();
    }
    m_state = State::Browsing;
    enableOnly({New, Edit, Delete});
    LockFields();
    showRow(0);
}

RegistryWindow::~RegistryWindow() {
    // The grid's model goes with this window; detach it first so the view never asks a
    // model that is being destroyed.
    if (VSFlexGrid1) {
        VSFlexGrid1->setModel(nullptr);
    }
}

void RegistryWindow::setMainWindow(QWidget* mainWindow) {
    m_mainLock.lock(mainWindow);
}

void RegistryWindow::build() {
    resize(960, 620);
    auto* layout = new QVBoxLayout(this);

    auto* panel = new QWidget(this);
    panel->setObjectName(u"Panel"_s);
    auto* grid = new QGridLayout(panel);
    const auto addField = [&](int labelIndex, const QString& caption, QWidget* field, int row, int column) {
        Label1[labelIndex] = new QLabel(caption, panel);
        Label1[labelIndex]->setObjectName(u"Label1_%1"_s.arg(labelIndex));
        grid->addWidget(Label1[labelIndex], row, column * 2);
        grid->addWidget(field, row, column * 2 + 1);
    };
    for (int i = 0; i < 7; ++i) {
        TxtAnmeldung[i] = new QLineEdit(panel);
        TxtAnmeldung[i]->setObjectName(u"TxtAnmeldung_%1"_s.arg(i));
    }
    TxtAnmeldung[Code]->hide();
    TxtAnmeldung[Age]->setMaxLength(2);
    // Digits only, typed or pasted; Backspace types a character of its own and is refused too.
    const auto* digits = new QRegularExpressionValidator(QRegularExpression(u"[0-9]*"_s), this);
    for (const int f : {int(Age), int(Phone)}) {
        KeyFilter::digitsOnly(TxtAnmeldung[f]);
        TxtAnmeldung[f]->setValidator(digits);
    }
    KeyFilter::digitsOnly(TxtAnmeldung[Date]);

    ComboBox1 = new QComboBox(panel);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->addItems({u"مرد"_s, u"زن"_s});
    ComboBox1->setPlaceholderText(u"جنسيت را انتخاب كنيد"_s);
    ComboBox2 = new QComboBox(panel);
    ComboBox2->setObjectName(u"ComboBox2"_s);
    ComboBox2->addItems({u"مجرد"_s, u"متاهل"_s, u"مطلقه"_s, u"بيوه"_s});
    ComboBox2->setPlaceholderText(u"وضعيت تأهل خود را مشخص کنيد"_s);

    addField(0, u"نام و نام خانوادگي:"_s, TxtAnmeldung[Name], 0, 0);
    addField(1, u"سن:"_s, TxtAnmeldung[Age], 1, 0);
    addField(2, u"جنس:"_s, ComboBox1, 2, 0);
    addField(3, u"تاهل:"_s, ComboBox2, 3, 0);
    addField(4, u"تحصيلات:"_s, TxtAnmeldung[Education], 0, 1);
    addField(5, u"شماره تماس:"_s, TxtAnmeldung[Phone], 1, 1);
    addField(6, u"نام آزمونگر:"_s, TxtAnmeldung[Tester], 2, 1);
    addField(7, u"تاريخ:"_s, TxtAnmeldung[Date], 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(panel);

    const QString captions[] = {u"جديد"_s, u"ويرايش"_s, u"ذخيره"_s, u"انصراف"_s, u"حذف"_s, u"خروج"_s};
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        PushButton6[i] = new QPushButton(captions[i], this);
        PushButton6[i]->setObjectName(u"PushButton6_%1"_s.arg(i));
        PushButton6[i]->setAutoDefault(false);
        buttons->addWidget(PushButton6[i]);
        connect(PushButton6[i], &QPushButton::clicked, this, [this, i] { onButton(i); });
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    VSFlexGrid1 = MakeExamineeList(this);
    VSFlexGrid1->setToolTip(u"جهت پاسخ به سوالات روي نام آزمودني مورد نظر دوبار كليك كنيد"_s);
    connect(VSFlexGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { startQuestionnaire(index.row()); });
    layout->addWidget(VSFlexGrid1, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setSingleShot(true);
    Timer1->setInterval(m_context.intervals.registryMs);
    connect(Timer1, &QTimer::timeout, this, &RegistryWindow::onNewTimer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(u"Timer2"_s);
    Timer2->setSingleShot(true);
    Timer2->setInterval(m_context.intervals.registryMs);
    connect(Timer2, &QTimer::timeout, this, &RegistryWindow::onDeleteTimer);
}

void RegistryWindow::FormatGrid() {
    if (!m_list) {
        return;
    }
    const QString headings[] = {
        u"id"_s,   u"نام و نام خانوادگي"_s, u"سن"_s,  u"جنس"_s, u"تاهل"_s, u"تاريخ"_s, u"تحصيلات"_s,
        u"تلفن"_s, u"نام آزمونگر"_s,        u"Code"_s};
    for (int c = 0; c < 10; ++c) {
        m_list->setHeaderData(c, Qt::Horizontal, headings[c]);
    }
    VSFlexGrid1->setColumnHidden(Id, true);
    VSFlexGrid1->setColumnHidden(CodeColumn, true);
    VSFlexGrid1->setColumnWidth(FullName, 200);
}

void RegistryWindow::LockFields() {
    for (const int f : {int(Name), int(Age), int(Code), int(Education), int(Phone), int(Tester)}) {
        TxtAnmeldung[f]->setReadOnly(true);
    }
    TxtAnmeldung[Date]->setReadOnly(true);
    ComboBox1->setEnabled(false);
    ComboBox2->setEnabled(false);
    VSFlexGrid1->setEnabled(true);
}

void RegistryWindow::UnlockFields() {
    for (const int f : {int(Name), int(Age), int(Code), int(Education), int(Phone), int(Tester)}) {
        TxtAnmeldung[f]->setReadOnly(false);
    }
    TxtAnmeldung[Date]->setReadOnly(false);
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
    VSFlexGrid1->setEnabled(false);
}

void RegistryWindow::enableOnly(std::initializer_list<int> buttons) {
    for (int i = 0; i < 5; ++i) {
        PushButton6[i]->setEnabled(std::find(buttons.begin(), buttons.end(), i) != buttons.end());
    }
    PushButton6[Exit]->setEnabled(true);
}

void RegistryWindow::clearPanel() {
    for (QLineEdit* field : TxtAnmeldung) {
        field->clear();
    }
    ComboBox1->setCurrentIndex(-1);
    ComboBox2->setCurrentIndex(-1);
}

void RegistryWindow::showRow(int row) {
    clearPanel();
    m_shownId = 0;
    if (!m_list || row < 0 || row >= m_list->rowCount()) {
        return;
    }
    m_shownId = m_list->idAt(row);
    TxtAnmeldung[Name]->setText(m_list->value(row, u"FullName"_s));
    TxtAnmeldung[Age]->setText(m_list->value(row, u"Alter"_s));
    TxtAnmeldung[Code]->setText(m_list->value(row, u"Code"_s));
    TxtAnmeldung[Education]->setText(m_list->value(row, u"Bildung"_s));
    TxtAnmeldung[Phone]->setText(m_list->value(row, u"TelNummer1"_s));
    TxtAnmeldung[Tester]->setText(m_list->value(row, u"Tester"_s));
    TxtAnmeldung[Date]->setText(m_list->value(row, u"Datum1"_s));
    // A stored text that is not one of the entries shows no entry.
    ComboBox1->setCurrentIndex(ComboBox1->findText(m_list->value(row, u"Geschlecht"_s)));
    ComboBox2->setCurrentIndex(ComboBox2->findText(m_list->value(row, u"Heirat"_s)));
    if (VSFlexGrid1->currentIndex().row() != row) {
        VSFlexGrid1->setCurrentIndex(m_list->index(row, FullName));
    }
}

void RegistryWindow::reloadAndShowNewest() {
    if (m_list) {
        m_list->reload();
        FormatGrid();
    }
    showRow(0);
}

void RegistryWindow::onButton(int index) {
    if (index == Exit) {
        close();
        return;
    }
    // Delete and Edit need an examinee; with an empty list they do nothing at all.
    if ((index == Delete || index == Edit) && m_shownId == 0) {
        return;
    }
    enableOnly({});
    switch (index) {
    case New:
        // An examinee being edited is dropped, not saved, when New is pressed.
        m_state = State::Adding;
        m_shownId = 0;
        clearPanel();
        UnlockFields();
        TxtAnmeldung[Name]->setFocus();
        Timer1->start();
        break;
    case Edit:
        m_state = State::Editing;
        UnlockFields();
        enableOnly({New, Edit, Save, Cancel});
        TxtAnmeldung[Name]->setFocus();
        break;
    case Save: {
        const State before = m_state;
        if (SaveExaminee()) {
            m_state = State::Browsing;
            enableOnly({New, Edit, Delete});
            LockFields();
        } else {
            m_state = before;
            if (before == State::Adding) {
                enableOnly({Save, Cancel});
            } else {
                enableOnly({New, Edit, Save, Cancel});
            }
        }
        break;
    }
    case Cancel:
        Timer1->stop();
        m_state = State::Browsing;
        enableOnly({New, Edit, Delete});
        LockFields();
        reloadAndShowNewest();
        break;
    case Delete:
        m_state = State::Deleting;
        Timer2->start();
        break;
    }
}

void RegistryWindow::onNewTimer() {
    Timer1->stop();
    if (m_state != State::Adding || !m_examinees) {
        return;
    }
    TxtAnmeldung[Code]->setText(m_examinees->assignCode());
    TxtAnmeldung[Date]->setText(PersianDateText(m_context.today(), 0));
    enableOnly({Save, Cancel});
}

void RegistryWindow::onDeleteTimer() {
    Timer2->stop();
    enableOnly({New, Edit, Delete});
    DeleteExaminee();
    m_state = State::Browsing;
    LockFields();
    reloadAndShowNewest();
}

bool RegistryWindow::SaveExaminee() {
    const int wait = m_context.intervals.timedMessageMs;
    // Blanks alone are no name and no age.
    if (TxtAnmeldung[Name]->text().trimmed().isEmpty()) {
        ShowTimedMessage(this, u"نام آزمودني را وارد کنيد"_s, wait);
        TxtAnmeldung[Name]->setFocus();
        return false;
    }
    if (TxtAnmeldung[Age]->text().trimmed().isEmpty()) {
        ShowTimedMessage(this, u"سن آزمودني را وارد کنيد"_s, wait);
        TxtAnmeldung[Age]->setFocus();
        return false;
    }
    if (ComboBox1->currentIndex() < 0) {
        ShowTimedMessage(this, u"جنسيت را مشخص كنيد"_s, wait);
        ComboBox1->setFocus();
        return false;
    }
    if (!m_examinees) {
        return false;
    }
    Examinee e;
    e.id = m_shownId;
    e.code = TxtAnmeldung[Code]->text().trimmed();
    e.fullName = TxtAnmeldung[Name]->text().trimmed();
    e.age = TxtAnmeldung[Age]->text().trimmed();
    e.gender = ComboBox1->currentText().trimmed();
    e.maritalStatus = ComboBox2->currentIndex() >= 0 ? ComboBox2->currentText().trimmed() : QString();
    e.registrationDate = TxtAnmeldung[Date]->text().trimmed();
    e.education = TxtAnmeldung[Education]->text().trimmed();
    e.phone = TxtAnmeldung[Phone]->text().trimmed();
    e.tester = TxtAnmeldung[Tester]->text().trimmed();

    bool saved = false;
    if (m_state == State::Adding) {
        saved = m_examinees->addWithAnswerRow(e).has_value();
    } else {
        AnswerStore answers(*m_db);
        saved = answers.ensureRow(e.code) && m_examinees->change(e);
    }
    if (!saved) {
        // What was typed stays in the panel, so nothing is lost; the user can save again.
        MessageBox::critical(this, u"خطا"_s,
                             u"اطلاعات آزمودني ذخيره نشد. دوباره ذخيره كنيد.\r\n"_s + m_db->lastError());
        return false;
    }
    reloadAndShowNewest();
    return true;
}

void RegistryWindow::DeleteExaminee() {
    const QString code = TxtAnmeldung[Code]->text();
    if (m_shownId == 0 || !m_examinees) {
        return;
    }
    const QString name = TxtAnmeldung[Name]->text();
    if (MessageBox::question(this, name, u"آيا براي حذف کردن مطمئن هستيد؟"_s, QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    if (!m_examinees->removeWithAnswerRow(code)) {
        MessageBox::critical(this, u"خطا"_s, u"آزمودني حذف نشد.\r\n"_s + m_db->lastError());
        return;
    }
    ShowTimedMessage(this, u"حذف با موفقيت انجام گرفت"_s, m_context.intervals.timedMessageMs);
}

void RegistryWindow::startQuestionnaire(int row) {
    if (m_state != State::Browsing || !m_list || row < 0 || row >= m_list->rowCount()) {
        return;
    }
    m_questionnaire = new QuestionnaireWindow(m_context, m_list->value(row, u"Code"_s),
                                              m_list->value(row, u"FullName"_s), m_mainLock.window());
    m_questionnaire->show();
    // Stays loaded behind the questionnaire and comes back as it was left.
    hide();
}

void RegistryWindow::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    Timer2->stop();
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
