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
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The list's columns, in the order of the registry statement.
enum Column {
    IdColumn = 0,
    NameColumn,
    AgeColumn,
    GenderColumn,
    MaritalStatusColumn,
    DateColumn,
    EducationColumn,
    PhoneColumn,
    TesterColumn,
    CodeColumn
};

} // namespace

RegistryWindow::RegistryWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"RegistryWindow"_s);
    // Escape reaches the dialog only when no open list or field took it, and then leaves
    // through close(), which asks first while an examinee is being typed.
    setWindowTitle(u"آزمودني ها"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    build();
    if (m_db) {
        m_examinees = std::make_unique<ExamineeStore>(*m_db);
        m_listModel = new ExamineeListModel(*m_db, ExamineeList::Registry, this);
        m_examineeList->setModel(m_listModel);
        // The panel follows the current row; with none current (after a search) it is
        // empty, so Edit and Delete never act on an examinee the list does not show.
        OnCurrentRowChanged(m_examineeList, this, [this](int row) {
            if (m_state == State::Browsing) {
                showRow(row);
            }
        });
        formatList();
    }
    m_state = State::Browsing;
    lockFields();
    showRow(0);
    enableBrowsing();
}

RegistryWindow::~RegistryWindow() {
    // The grid's model goes with this window; detach it first so the view never asks a
    // model that is being destroyed.
    if (m_examineeList) {
        m_examineeList->setModel(nullptr);
    }
}

void RegistryWindow::setMainWindow(QWidget* mainWindow) {
    m_mainLock.lock(mainWindow);
}

void RegistryWindow::build() {
    resize(960, 620);
    auto* layout = new QVBoxLayout(this);
    m_examineeLabel = MakeExamineeLabel(this);
    layout->addWidget(m_examineeLabel);

    auto* panel = new QWidget(this);
    panel->setObjectName(u"editPanel"_s);
    auto* grid = new QGridLayout(panel);
    const auto addField = [&](QLabel*& label, const QString& name, const QString& caption, QWidget* field,
                              int row, int column) {
        label = new QLabel(caption, panel);
        label->setObjectName(name);
        grid->addWidget(label, row, column * 2);
        grid->addWidget(field, row, column * 2 + 1);
    };
    const auto makeEdit = [panel](const QString& name) {
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(name);
        return edit;
    };
    m_nameEdit = makeEdit(u"nameEdit"_s);
    m_ageEdit = makeEdit(u"ageEdit"_s);
    m_codeEdit = makeEdit(u"codeEdit"_s);
    m_educationEdit = makeEdit(u"educationEdit"_s);
    m_phoneEdit = makeEdit(u"phoneEdit"_s);
    m_testerEdit = makeEdit(u"testerEdit"_s);
    m_dateEdit = makeEdit(u"dateEdit"_s);
    m_codeEdit->hide();
    // Each field stops where the list, the results line and the reports still show it whole.
    // A text cut at its limit is cut between whole characters, and the user is told.
    const std::pair<QLineEdit*, int> limits[] = {
        {m_nameEdit, 100}, {m_educationEdit, 100}, {m_phoneEdit, 20}, {m_testerEdit, 100}};
    for (const auto& [field, limit] : limits) {
        LimitTypedLength(field, limit, [this, limit = limit] {
            ShowTimedMessage(this, u"متن بيش از %1 نويسه بود و كوتاه شد"_s.arg(limit),
                             m_context.intervals.timedMessageMs);
        });
    }
    m_ageEdit->setMaxLength(2);
    m_dateEdit->setMaxLength(10); // 1402/05/09
    // Digits only, typed or pasted, in any of the three digit sets and kept as ASCII;
    // Backspace types a character of its own and is refused too. A pasted date keeps its
    // separators.
    const auto* digits = KeyFilter::asciiDigitsValidator(this, true);
    for (QLineEdit* field : {m_ageEdit, m_phoneEdit}) {
        KeyFilter::digitsOnly(field);
        field->setValidator(digits);
    }
    KeyFilter::digitsOnly(m_dateEdit);
    m_dateEdit->setValidator(KeyFilter::asciiDigitsValidator(this, false));

    m_genderCombo = new QComboBox(panel);
    m_genderCombo->setObjectName(u"genderCombo"_s);
    m_genderCombo->addItems({u"مرد"_s, u"زن"_s});
    m_genderCombo->setPlaceholderText(u"جنسيت را انتخاب كنيد"_s);
    m_maritalStatusCombo = new QComboBox(panel);
    m_maritalStatusCombo->setObjectName(u"maritalStatusCombo"_s);
    m_maritalStatusCombo->addItems({u"مجرد"_s, u"متاهل"_s, u"مطلقه"_s, u"بيوه"_s});
    m_maritalStatusCombo->setPlaceholderText(u"وضعيت تأهل خود را مشخص کنيد"_s);

    addField(m_nameLabel, u"nameLabel"_s, u"نام و نام خانوادگي:"_s, m_nameEdit, 0, 0);
    addField(m_ageLabel, u"ageLabel"_s, u"سن:"_s, m_ageEdit, 1, 0);
    addField(m_genderLabel, u"genderLabel"_s, u"جنس:"_s, m_genderCombo, 2, 0);
    addField(m_maritalStatusLabel, u"maritalStatusLabel"_s, u"تاهل:"_s, m_maritalStatusCombo, 3, 0);
    addField(m_educationLabel, u"educationLabel"_s, u"تحصيلات:"_s, m_educationEdit, 0, 1);
    addField(m_phoneLabel, u"phoneLabel"_s, u"شماره تماس:"_s, m_phoneEdit, 1, 1);
    addField(m_testerLabel, u"testerLabel"_s, u"نام آزمونگر:"_s, m_testerEdit, 2, 1);
    addField(m_dateLabel, u"dateLabel"_s, u"تاريخ:"_s, m_dateEdit, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    // Tab follows the panel as it reads: right to left along a row, then the next row down.
    QWidget* const readingOrder[] = {m_nameEdit,           m_educationEdit, m_ageEdit,
                                     m_phoneEdit,          m_genderCombo,   m_testerEdit,
                                     m_maritalStatusCombo, m_dateEdit};
    for (std::size_t i = 1; i < std::size(readingOrder); ++i) {
        setTabOrder(readingOrder[i - 1], readingOrder[i]);
    }
    layout->addWidget(panel);

    auto* buttons = new QHBoxLayout;
    const auto makeButton = [this, buttons](const QString& caption, const QString& name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    m_newButton = makeButton(u"جديد"_s, u"newButton"_s);
    m_editButton = makeButton(u"ويرايش"_s, u"editButton"_s);
    m_saveButton = makeButton(u"ذخيره"_s, u"saveButton"_s);
    m_cancelButton = makeButton(u"انصراف"_s, u"cancelButton"_s);
    m_deleteButton = makeButton(u"حذف"_s, u"deleteButton"_s);
    m_exitButton = makeButton(u"خروج"_s, u"exitButton"_s);
    connect(m_newButton, &QPushButton::clicked, this, &RegistryWindow::startNewExaminee);
    connect(m_editButton, &QPushButton::clicked, this, &RegistryWindow::startEditing);
    connect(m_saveButton, &QPushButton::clicked, this, &RegistryWindow::saveEntry);
    connect(m_cancelButton, &QPushButton::clicked, this, &RegistryWindow::cancelEntry);
    connect(m_deleteButton, &QPushButton::clicked, this, &RegistryWindow::startDeleting);
    connect(m_exitButton, &QPushButton::clicked, this, [this] { close(); });
    buttons->addStretch();
    layout->addLayout(buttons);

    m_examineeList = MakeExamineeList(this);
    m_examineeList->setToolTip(u"جهت پاسخ به سوالات روي نام آزمودني مورد نظر دوبار كليك كنيد"_s);
    connect(m_examineeList, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { startQuestionnaire(index.row()); });
    m_searchEdit = new ExamineeSearchField(m_examineeList, this);
    layout->addWidget(m_searchEdit);
    layout->addWidget(m_examineeList, 1);

    m_codeTimer = new QTimer(this);
    m_codeTimer->setObjectName(u"codeTimer"_s);
    m_codeTimer->setSingleShot(true);
    m_codeTimer->setInterval(m_context.intervals.registryMs);
    connect(m_codeTimer, &QTimer::timeout, this, &RegistryWindow::assignCodeAndDate);
    m_deleteTimer = new QTimer(this);
    m_deleteTimer->setObjectName(u"deleteTimer"_s);
    m_deleteTimer->setSingleShot(true);
    m_deleteTimer->setInterval(m_context.intervals.registryMs);
    connect(m_deleteTimer, &QTimer::timeout, this, &RegistryWindow::finishDeleting);
}

void RegistryWindow::formatList() {
    if (!m_listModel) {
        return;
    }
    const QString headings[] = {
        u"id"_s,   u"نام و نام خانوادگي"_s, u"سن"_s,  u"جنس"_s, u"تاهل"_s, u"تاريخ"_s, u"تحصيلات"_s,
        u"تلفن"_s, u"نام آزمونگر"_s,        u"Code"_s};
    for (int c = 0; c < 10; ++c) {
        m_listModel->setHeaderData(c, Qt::Horizontal, headings[c]);
    }
    m_examineeList->setColumnHidden(IdColumn, true);
    m_examineeList->setColumnHidden(CodeColumn, true);
    m_examineeList->setColumnWidth(NameColumn, 200);
}

void RegistryWindow::lockFields() {
    for (QLineEdit* field :
         {m_nameEdit, m_ageEdit, m_codeEdit, m_educationEdit, m_phoneEdit, m_testerEdit, m_dateEdit}) {
        field->setReadOnly(true);
    }
    m_genderCombo->setEnabled(false);
    m_maritalStatusCombo->setEnabled(false);
    m_examineeList->setEnabled(true);
}

void RegistryWindow::unlockFields() {
    for (QLineEdit* field :
         {m_nameEdit, m_ageEdit, m_codeEdit, m_educationEdit, m_phoneEdit, m_testerEdit, m_dateEdit}) {
        field->setReadOnly(false);
    }
    m_genderCombo->setEnabled(true);
    m_maritalStatusCombo->setEnabled(true);
    m_examineeList->setEnabled(false);
}

void RegistryWindow::enableOnly(std::initializer_list<QPushButton*> buttons) {
    for (QPushButton* button : {m_newButton, m_editButton, m_saveButton, m_cancelButton, m_deleteButton}) {
        button->setEnabled(std::find(buttons.begin(), buttons.end(), button) != buttons.end());
    }
    m_exitButton->setEnabled(true);
}

void RegistryWindow::enableBrowsing() {
    enableOnly({m_newButton});
    m_editButton->setEnabled(m_shownId != 0);
    m_deleteButton->setEnabled(m_shownId != 0);
}

void RegistryWindow::clearPanel() {
    for (QLineEdit* field :
         {m_nameEdit, m_ageEdit, m_codeEdit, m_educationEdit, m_phoneEdit, m_testerEdit, m_dateEdit}) {
        field->clear();
    }
    m_genderCombo->setCurrentIndex(-1);
    m_maritalStatusCombo->setCurrentIndex(-1);
}

void RegistryWindow::showRow(int row) {
    clearPanel();
    m_shownId = 0;
    ShowExaminee(m_examineeLabel, QString(), QString());
    if (m_state == State::Browsing) {
        enableBrowsing();
    }
    if (!m_listModel || row < 0 || row >= m_listModel->rowCount()) {
        return;
    }
    m_shownId = m_listModel->idAt(row);
    m_nameEdit->setText(m_listModel->value(row, u"FullName"_s));
    m_ageEdit->setText(m_listModel->value(row, u"Alter"_s));
    m_codeEdit->setText(m_listModel->value(row, u"Code"_s));
    m_educationEdit->setText(m_listModel->value(row, u"Bildung"_s));
    m_phoneEdit->setText(m_listModel->value(row, u"TelNummer1"_s));
    m_testerEdit->setText(m_listModel->value(row, u"Tester"_s));
    m_dateEdit->setText(m_listModel->value(row, u"Datum1"_s));
    // A stored text that is not one of the entries shows no entry.
    m_genderCombo->setCurrentIndex(m_genderCombo->findText(m_listModel->value(row, u"Geschlecht"_s)));
    m_maritalStatusCombo->setCurrentIndex(
        m_maritalStatusCombo->findText(m_listModel->value(row, u"Heirat"_s)));
    ShowExaminee(m_examineeLabel, m_nameEdit->text(), m_codeEdit->text());
    if (m_state == State::Browsing) {
        enableBrowsing();
    }
    if (m_examineeList->currentIndex().row() != row) {
        m_examineeList->setCurrentIndex(m_listModel->index(row, NameColumn));
    }
}

void RegistryWindow::reloadAndShowNewest() {
    if (m_listModel) {
        m_listModel->reload();
        formatList();
    }
    showRow(0);
}

void RegistryWindow::startNewExaminee() {
    enableOnly({});
    // An examinee being edited is dropped, not saved, when New is pressed.
    m_state = State::Adding;
    m_shownId = 0;
    // Saved, the new examinee heads the whole list, not a search it may not match.
    m_searchEdit->clear();
    clearPanel();
    m_examineeLabel->setText(u"آزمودني جديد"_s);
    unlockFields();
    m_nameEdit->setFocus();
    m_codeTimer->start();
}

void RegistryWindow::startEditing() {
    // Edit needs an examinee; with an empty list it does nothing at all.
    if (m_shownId == 0) {
        return;
    }
    enableOnly({});
    m_state = State::Editing;
    unlockFields();
    enableOnly({m_newButton, m_editButton, m_saveButton, m_cancelButton});
    m_nameEdit->setFocus();
}

void RegistryWindow::saveEntry() {
    enableOnly({});
    const State before = m_state;
    if (storeExaminee()) {
        m_state = State::Browsing;
        enableBrowsing();
        lockFields();
    } else {
        m_state = before;
        if (before == State::Adding) {
            enableOnly({m_saveButton, m_cancelButton});
        } else {
            enableOnly({m_newButton, m_editButton, m_saveButton, m_cancelButton});
        }
    }
}

void RegistryWindow::cancelEntry() {
    enableOnly({});
    m_codeTimer->stop();
    m_state = State::Browsing;
    enableBrowsing();
    lockFields();
    reloadAndShowNewest();
}

void RegistryWindow::startDeleting() {
    // Delete needs an examinee; with an empty list it does nothing at all.
    if (m_shownId == 0) {
        return;
    }
    enableOnly({});
    m_state = State::Deleting;
    // The examinee in the panel stays the one deleted: no other row is chosen meanwhile.
    m_examineeList->setEnabled(false);
    m_deleteTimer->start();
}

void RegistryWindow::assignCodeAndDate() {
    m_codeTimer->stop();
    if (m_state != State::Adding || !m_examinees) {
        return;
    }
    m_codeEdit->setText(m_examinees->assignCode());
    m_dateEdit->setText(PersianDateText(m_context.today(), 0));
    enableOnly({m_saveButton, m_cancelButton});
}

void RegistryWindow::finishDeleting() {
    m_deleteTimer->stop();
    enableBrowsing();
    removeExaminee();
    m_state = State::Browsing;
    lockFields();
    reloadAndShowNewest();
}

bool RegistryWindow::storeExaminee() {
    const int wait = m_context.intervals.timedMessageMs;
    // Blanks alone are no name and no age.
    if (m_nameEdit->text().trimmed().isEmpty()) {
        ShowTimedMessage(this, u"نام آزمودني را وارد کنيد"_s, wait);
        m_nameEdit->setFocus();
        return false;
    }
    if (m_ageEdit->text().trimmed().isEmpty()) {
        ShowTimedMessage(this, u"سن آزمودني را وارد کنيد"_s, wait);
        m_ageEdit->setFocus();
        return false;
    }
    if (m_genderCombo->currentIndex() < 0) {
        ShowTimedMessage(this, u"جنسيت را مشخص كنيد"_s, wait);
        m_genderCombo->setFocus();
        return false;
    }
    if (!m_examinees) {
        return false;
    }
    Examinee e;
    e.id = m_shownId;
    e.code = m_codeEdit->text().trimmed();
    e.fullName = m_nameEdit->text().trimmed();
    e.age = m_ageEdit->text().trimmed();
    e.gender = m_genderCombo->currentText().trimmed();
    e.maritalStatus =
        m_maritalStatusCombo->currentIndex() >= 0 ? m_maritalStatusCombo->currentText().trimmed() : QString();
    e.registrationDate = m_dateEdit->text().trimmed();
    e.education = m_educationEdit->text().trimmed();
    e.phone = m_phoneEdit->text().trimmed();
    e.tester = m_testerEdit->text().trimmed();

    bool saved = false;
    if (m_state == State::Adding) {
        // On the clinic's server another workstation may have taken the code meanwhile; the
        // store then gives the next free one.
        saved = m_examinees->registerNew(e).has_value();
        if (saved) {
            m_codeEdit->setText(e.code);
        }
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

void RegistryWindow::removeExaminee() {
    const QString code = m_codeEdit->text();
    if (m_shownId == 0 || !m_examinees) {
        return;
    }
    const QString name = m_nameEdit->text();
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
    if (m_state != State::Browsing || !m_listModel || row < 0 || row >= m_listModel->rowCount()) {
        return;
    }
    m_questionnaire = new QuestionnaireWindow(m_context, m_listModel->value(row, u"Code"_s),
                                              m_listModel->value(row, u"FullName"_s), m_mainLock.window());
    m_questionnaire->show();
    // Stays loaded behind the questionnaire and comes back as it was left.
    hide();
}

void RegistryWindow::reject() {
    close();
}

bool RegistryWindow::mayDiscardTyping() {
    if (m_state != State::Adding && m_state != State::Editing) {
        return true;
    }
    // No, the default, keeps the panel as it is.
    return MessageBox::question(this, u"توجه"_s,
                                u"اطلاعات ذخيره نشده از بين مي رود. آيا مي خواهيد بدون ذخيره خارج شويد؟"_s,
                                QMessageBox::No) == QMessageBox::Yes;
}

void RegistryWindow::closeEvent(QCloseEvent* event) {
    if (!mayDiscardTyping()) {
        event->ignore();
        return;
    }
    m_codeTimer->stop();
    m_deleteTimer->stop();
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
