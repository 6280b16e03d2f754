#include "views/SettingsWindow.h"
#include "views/ViewParts.h"

#include "core/NumberText.h"
#include "shell/FileDialog.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/ServerLogin.h"
#include "shell/Skin.h"
#include "shell/TimedMessage.h"
#include "store/CheckedFile.h"
#include "store/ServerMove.h"
#include "views/KeyFilter.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// One row of a form: the caption and its field, named after the field ("telegram" gives
// "telegramLabel" and "telegramEdit").
void AddFormField(QWidget* page, QFormLayout* form, QLabel*& label, QLineEdit*& edit, const QString& caption,
                  const QString& name, int maxLength) {
    label = new QLabel(caption, page);
    label->setObjectName(name + u"Label"_s);
    edit = new QLineEdit(page);
    edit->setObjectName(name + u"Edit"_s);
    edit->setMaxLength(maxLength);
    label->setBuddy(edit);
    form->addRow(label, edit);
}

// The clamp shared by the theme and question numbers: empty (or not a number) becomes the
// lowest value; anything past the ends becomes the end.
QString Clamped(const QString& text, int lowest, int highest) {
    const double value = LeadingNumber(text.trimmed().toStdString());
    if (text.trimmed().isEmpty() || value < lowest) {
        return QString::number(lowest);
    }
    if (value > highest) {
        return QString::number(highest);
    }
    // The number alone: a pasted "5abc" means 5, and the question shown is question 5.
    return QString::number(static_cast<int>(value));
}

} // namespace

SettingsWindow::SettingsWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"SettingsWindow"_s);
    CloseOnEscape(this);
    setWindowTitle(u"تنظيمات"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_db = Database::open(context.programFolder, DatabaseFile::Main);
    if (m_db) {
        m_settings = std::make_unique<SettingsStore>(*m_db);
        m_questions = std::make_unique<QuestionStore>(*m_db);
        m_row = m_settings->read().value_or(Settings{});
    }
    build();
    move(x(), 1400 / 15); // 1400 twips from the top of the screen
    m_adjusting = true;
    m_themeNumberEdit->setText(m_row.theme);
    m_clinicNameEdit->setText(m_row.name);
    m_addressEdit->setText(m_row.address);
    const QString* contacts[] = {&m_row.email,   &m_row.telegram, &m_row.instagram, &m_row.web,
                                 &m_row.twitter, &m_row.facebook, &m_row.tel};
    const auto edits = contactEdits();
    for (std::size_t contact = 0; contact < edits.size(); ++contact) {
        edits[contact]->setText(*contacts[contact]);
    }
    m_contactBlockEdit->setText(m_row.contactBlock);
    m_printLogoCheck->setChecked(m_row.logo.trimmed() == u"1"_s);
    m_adjusting = false;
    setLogoCaption();
    m_questionNumberEdit->setText(u"1"_s);
    questionNumberChanged();
    showLogo();
    showDatabaseChoice();
}

SettingsWindow::~SettingsWindow() = default;

QString SettingsWindow::logoPath() const {
    return m_context.file(u"LogoMorvalen.jpg"_s);
}

std::array<QLineEdit*, 7> SettingsWindow::contactEdits() const {
    return {m_emailEdit,   m_telegramEdit, m_instagramEdit, m_webEdit,
            m_twitterEdit, m_facebookEdit, m_telEdit};
}

void SettingsWindow::numberRejected() {
    QApplication::beep();
    ShowTimedMessage(this, u"شما بايد عدد وارد كنيد"_s, m_context.intervals.timedMessageMs);
}

void SettingsWindow::build() {
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    m_settingsTabs = new QTabWidget(this);
    m_settingsTabs->setObjectName(u"settingsTabs"_s);
    m_settingsTabs->addTab(buildThemePage(), u"تغيير تم"_s);
    m_settingsTabs->addTab(buildClinicPage(), u"مشخصات كلينيك"_s);
    m_settingsTabs->addTab(buildQuestionPage(), u"ويرايش سوالات"_s);
    m_settingsTabs->addTab(buildDatabasePage(), u"پايگاه داده"_s);
    connect(m_settingsTabs, &QTabWidget::tabBarClicked, m_contactBlockEdit, &QWidget::hide);
    layout->addWidget(m_settingsTabs, 1);
    m_closeButton = new QPushButton(u"بستن"_s, this);
    m_closeButton->setObjectName(u"closeButton"_s);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(m_closeButton, 0, Qt::AlignLeft | Qt::AlignAbsolute);
}

QWidget* SettingsWindow::buildThemePage() {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout;
    m_themeNumberEdit = new QLineEdit(page);
    m_themeNumberEdit->setObjectName(u"themeNumberEdit"_s);
    m_themeNumberEdit->setMaximumWidth(80);
    m_themeNumberEdit->setAlignment(Qt::AlignCenter);
    KeyFilter::digitsOnly(m_themeNumberEdit, u"\b\r"_s, [this] { numberRejected(); });
    m_nextThemeButton = new QPushButton(u"بعدي"_s, page);
    m_nextThemeButton->setObjectName(u"nextThemeButton"_s);
    m_previousThemeButton = new QPushButton(u"قبلي"_s, page);
    m_previousThemeButton->setObjectName(u"previousThemeButton"_s);
    row->addStretch();
    row->addWidget(m_previousThemeButton);
    row->addWidget(m_themeNumberEdit);
    row->addWidget(m_nextThemeButton);
    row->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    connect(m_themeNumberEdit, &QLineEdit::textChanged, this, &SettingsWindow::themeChanged);
    connect(m_nextThemeButton, &QPushButton::clicked, this, [this] {
        m_themeNumberEdit->setText(
            QString::number(static_cast<int>(LeadingNumber(m_themeNumberEdit->text().toStdString())) + 1));
    });
    connect(m_previousThemeButton, &QPushButton::clicked, this, [this] {
        m_themeNumberEdit->setText(
            QString::number(static_cast<int>(LeadingNumber(m_themeNumberEdit->text().toStdString())) - 1));
    });
    return page;
}

QWidget* SettingsWindow::buildClinicPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* form = new QFormLayout;
    // One row of the form: the caption and its field, named after the field ("telegram" gives
    // "telegramLabel" and "telegramEdit"). Each field stops at what its frame of the printed
    // report's head still shows legibly: the name on one line, the address on three, each
    // contact on one line of the contact block.
    const auto addField = [page, form](QLabel*& label, QLineEdit*& edit, const QString& caption,
                                       const QString& name, int maxLength) {
        AddFormField(page, form, label, edit, caption, name, maxLength);
    };
    addField(m_clinicNameLabel, m_clinicNameEdit, u"نام كلينيك:"_s, u"clinicName"_s, 60);
    addField(m_addressLabel, m_addressEdit, u"آدرس:"_s, u"address"_s, 150);
    addField(m_emailLabel, m_emailEdit, u"ايميل:"_s, u"email"_s, 50);
    addField(m_telegramLabel, m_telegramEdit, u"تلگرام:"_s, u"telegram"_s, 50);
    addField(m_instagramLabel, m_instagramEdit, u"اينستاگرام:"_s, u"instagram"_s, 50);
    addField(m_webLabel, m_webEdit, u"وب سايت:"_s, u"web"_s, 50);
    addField(m_twitterLabel, m_twitterEdit, u"تويتر:"_s, u"twitter"_s, 50);
    addField(m_facebookLabel, m_facebookEdit, u"فيسبوك:"_s, u"facebook"_s, 50);
    addField(m_telLabel, m_telEdit, u"تلفن:"_s, u"tel"_s, 30);
    m_contactBlockEdit = new QLineEdit(page);
    m_contactBlockEdit->setObjectName(u"contactBlockEdit"_s);
    m_contactBlockEdit->hide();
    m_saveClinicButton = new QPushButton(u"ذخيره"_s, page);
    m_saveClinicButton->setObjectName(u"saveClinicButton"_s);
    form->addRow(QString(), m_saveClinicButton);
    layout->addLayout(form, 1);

    auto* logo = new QVBoxLayout;
    m_logoPicture = new QLabel(page);
    m_logoPicture->setObjectName(u"logoPicture"_s);
    m_logoPicture->setFixedSize(160, 160);
    m_logoPicture->setFrameShape(QFrame::StyledPanel);
    m_logoPicture->setAlignment(Qt::AlignCenter);
    m_chooseLogoButton = new QPushButton(u"انتخاب آرم"_s, page);
    m_chooseLogoButton->setObjectName(u"chooseLogoButton"_s);
    m_printLogoCheck = new QCheckBox(page);
    m_printLogoCheck->setObjectName(u"printLogoCheck"_s);
    logo->addWidget(m_logoPicture, 0, Qt::AlignHCenter);
    logo->addWidget(m_chooseLogoButton);
    logo->addWidget(m_printLogoCheck);
    logo->addStretch();
    layout->addLayout(logo);

    connect(m_saveClinicButton, &QPushButton::clicked, this, &SettingsWindow::saveClinic);
    connect(m_chooseLogoButton, &QPushButton::clicked, this, &SettingsWindow::chooseLogo);
    // The flag reaches the database with the next write of the row, not on the click.
    connect(m_printLogoCheck, &QCheckBox::toggled, this, &SettingsWindow::setLogoCaption);
    return page;
}

QWidget* SettingsWindow::buildQuestionPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    m_questionNumberLabel = new QLabel(u"شماره سوال :"_s, page);
    m_questionNumberLabel->setObjectName(u"questionNumberLabel"_s);
    m_questionNumberEdit = new QLineEdit(page);
    m_questionNumberEdit->setObjectName(u"questionNumberEdit"_s);
    m_questionNumberEdit->setMaximumWidth(80);
    m_questionNumberEdit->setAlignment(Qt::AlignCenter);
    KeyFilter::digitsOnly(m_questionNumberEdit, u"\b\r"_s, [this] { numberRejected(); });
    m_previousQuestionButton = new QPushButton(u"<<<قبلي"_s, page);
    m_previousQuestionButton->setObjectName(u"previousQuestionButton"_s);
    m_nextQuestionButton = new QPushButton(u"بعدي >>>"_s, page);
    m_nextQuestionButton->setObjectName(u"nextQuestionButton"_s);
    row->addWidget(m_questionNumberLabel);
    row->addWidget(m_questionNumberEdit);
    row->addWidget(m_previousQuestionButton);
    row->addWidget(m_nextQuestionButton);
    row->addStretch();
    layout->addLayout(row);
    m_questionText = new QTextEdit(page);
    m_questionText->setObjectName(u"questionText"_s);
    m_questionText->setAcceptRichText(false);
    layout->addWidget(m_questionText, 1);
    auto* buttons = new QHBoxLayout;
    m_saveQuestionButton = new QPushButton(u"ذخيره "_s, page);
    m_saveQuestionButton->setObjectName(u"saveQuestionButton"_s);
    m_importQuestionsButton = new QPushButton(u"خواندن همه سوالات از فايل متني"_s, page);
    m_importQuestionsButton->setObjectName(u"importQuestionsButton"_s);
    m_exportQuestionsButton = new QPushButton(u"نوشتن همه سوالات در فايل متني"_s, page);
    m_exportQuestionsButton->setObjectName(u"exportQuestionsButton"_s);
    buttons->addWidget(m_saveQuestionButton);
    buttons->addStretch();
    buttons->addWidget(m_importQuestionsButton);
    buttons->addWidget(m_exportQuestionsButton);
    layout->addLayout(buttons);

    connect(m_questionNumberEdit, &QLineEdit::textChanged, this, &SettingsWindow::questionNumberChanged);
    const auto step = [this](int delta) {
        m_questionNumberEdit->setText(QString::number(
            static_cast<int>(LeadingNumber(m_questionNumberEdit->text().toStdString())) + delta));
    };
    connect(m_previousQuestionButton, &QPushButton::clicked, this, [step] { step(-1); });
    connect(m_nextQuestionButton, &QPushButton::clicked, this, [step] { step(+1); });
    connect(m_saveQuestionButton, &QPushButton::clicked, this, [this] {
        const int item = m_questionNumberEdit->text().toInt();
        if (m_questions && m_questions->setText(item, m_questionText->toPlainText())) {
            ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
        } else {
            MessageBox::critical(this, u"خطا"_s, u"متن سوال ذخيره نشد."_s);
        }
    });
    connect(m_importQuestionsButton, &QPushButton::clicked, this, &SettingsWindow::importQuestions);
    connect(m_exportQuestionsButton, &QPushButton::clicked, this, &SettingsWindow::exportQuestions);
    return page;
}

void SettingsWindow::themeChanged() {
    if (m_adjusting) {
        return;
    }
    const QString clamped = Clamped(KeyFilter::withAsciiDigits(m_themeNumberEdit->text()), 1, 23);
    if (clamped != m_themeNumberEdit->text()) {
        m_themeNumberEdit->setText(clamped); // runs this again with the clamped text
        return;
    }
    ApplyTheme(*qApp, m_context.programFolder, clamped);
    writeSettings();
}

void SettingsWindow::questionNumberChanged() {
    const QString clamped = Clamped(KeyFilter::withAsciiDigits(m_questionNumberEdit->text()), 1, 232);
    if (clamped != m_questionNumberEdit->text()) {
        m_questionNumberEdit->setText(clamped);
        return;
    }
    m_questionText->setPlainText(m_questions ? m_questions->text(clamped.toInt()) : QString());
}

bool SettingsWindow::writeSettings() {
    if (!m_settings) {
        return false;
    }
    m_row.theme = m_themeNumberEdit->text();
    m_row.name = m_clinicNameEdit->text();
    m_row.address = m_addressEdit->text();
    QString* contacts[] = {&m_row.email,   &m_row.telegram, &m_row.instagram, &m_row.web,
                           &m_row.twitter, &m_row.facebook, &m_row.tel};
    const auto edits = contactEdits();
    for (std::size_t contact = 0; contact < edits.size(); ++contact) {
        *contacts[contact] = edits[contact]->text();
    }
    m_row.contactBlock = m_contactBlockEdit->text();
    m_row.logo = m_printLogoCheck->isChecked() ? u"1"_s : u"0"_s;
    return m_settings->write(m_row);
}

void SettingsWindow::saveClinic() {
    // The contact block: the filled contact fields in order, each on a line of its own.
    QString block;
    for (const QLineEdit* contact : contactEdits()) {
        if (!contact->text().isEmpty()) {
            block += contact->text() + u"\r\n"_s;
        }
    }
    m_contactBlockEdit->setText(block);
    if (!writeSettings()) {
        MessageBox::critical(this, u"خطا"_s, u"تغييرات ذخيره نشد."_s);
        return;
    }
    ShowTimedMessage(this, u"تغييرات با موفقيت ذخيره شد"_s, m_context.intervals.timedMessageMs);
    if (auto* main = qobject_cast<MainWindow*>(m_mainLock.window())) {
        main->setClinicName(m_clinicNameEdit->text());
    }
    QDir::setCurrent(m_context.programFolder);
}

void SettingsWindow::showLogo() {
    const QPixmap logo(logoPath());
    if (logo.isNull()) {
        m_logoPicture->clear();
        return;
    }
    m_logoPicture->setPixmap(
        logo.scaled(m_logoPicture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void SettingsWindow::chooseLogo() {
    const QString file = FileDialog::getOpenFileName(this, u"انتخاب آرم"_s, QString(), QString());
    QDir::setCurrent(m_context.programFolder);
    if (file.isEmpty()) {
        return;
    }
    const QImage picture(file);
    // Written whole under a temporary name, so a failure leaves the old logo as it was.
    QByteArray bitmap;
    bool saved = false;
    if (!picture.isNull()) {
        QBuffer buffer(&bitmap);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "BMP");
        saved = writer.write(picture) && CheckedFile::Save(logoPath(), bitmap).isEmpty();
    }
    if (!saved) {
        MessageBox::information(
            this, u"توجه"_s,
            u" تصوير ذخيره نشد\r\nلطفا تصوير با فرمت هاي زير را انتخاب نمائيد\r\njpg\r\nbmp"_s);
        return;
    }
    showLogo();
    MessageBox::information(this, u"توجه"_s, u" آرم ذخيره شد"_s);
}

void SettingsWindow::setLogoCaption() {
    m_printLogoCheck->setText(m_printLogoCheck->isChecked() ? u"آرم را در قسمت پرينت نمايش دهد"_s
                                                            : u"آرم را در قسمت پرينت نمايش ندهد"_s);
}

void SettingsWindow::importQuestions() {
    const QString file =
        FileDialog::getOpenFileName(this, u"خواندن سوالات"_s, m_context.programFolder, u"Text |*.txt"_s);
    if (file.isEmpty() || !m_questions) {
        return;
    }
    QFile in(file);
    QStringList lines;
    if (in.open(QIODevice::ReadOnly)) {
        QTextStream stream(&in);
        stream.setEncoding(QStringConverter::Utf8);
        const QString all = stream.readAll();
        lines = all.split(u'\n');
        if (!lines.isEmpty() && lines.back().isEmpty()) {
            lines.removeLast(); // the break after the last line
        }
        for (QString& line : lines) {
            if (line.endsWith(u'\r')) {
                line.chop(1);
            }
        }
    }
    if (lines.size() != 232) {
        MessageBox::warning(this, u"خطا"_s,
                            u"فايل بايد دقيقا 232 سطر داشته باشد، هر سطر متن يك سوال به ترتيب شماره. "
                            u"اين فايل %1 سطر دارد و هيچ سوالي تغيير نكرد."_s.arg(lines.size()));
        return;
    }
    if (!m_questions->setAll(lines)) {
        MessageBox::critical(this, u"خطا"_s, u"سوالات ذخيره نشد و هيچ سوالي تغيير نكرد."_s);
        return;
    }
    questionNumberChanged();
    ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
}

void SettingsWindow::exportQuestions() {
    const QString file = FileDialog::getSaveFileName(this, u"نوشتن سوالات"_s, m_context.programFolder,
                                                     u"questions.txt"_s, u"Text |*.txt"_s);
    if (file.isEmpty() || !m_questions) {
        return;
    }
    QString text;
    for (int item = 1; item <= 232; ++item) {
        text += m_questions->text(item).replace(u'\n', u' ').remove(u'\r') + u'\n';
    }
    if (const QString failure = CheckedFile::Save(file, text.toUtf8()); !failure.isEmpty()) {
        MessageBox::critical(this, u"خطا"_s, u"فايل سوالات نوشته نشد.\r\n"_s + failure);
        return;
    }
    ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
}

namespace {

// A wait cursor for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString WhereText(const ServerConnection& server) {
    return u"پايگاه داده «%1» روي سرور «%2»"_s.arg(server.database, ServerAddressText(server));
}

// The tables of a move as the user knows them, each with its number of rows.
QString MovedCounts(const MoveReport& report) {
    const struct {
        const char16_t* table;
        const char16_t* caption;
    } captions[] = {
        {u"IDE", u"پرونده ها"},
        {u"Answer1", u"پاسخ نامه ها"},
        {u"Administration", u"پاسخ نامه هاي نگه داشته"},
        {u"SecondEntry", u"ورود دوم پاسخ نامه ها"},
        {u"QUS", u"متن سوالات"},
        {u"Theme", u"مشخصات كلينيك"},
    };
    QString text;
    for (const TableCount& count : report.counts) {
        QString caption = count.table;
        for (const auto& c : captions) {
            if (count.table == QStringView(c.table)) {
                caption = QString::fromUtf16(c.caption);
            }
        }
        text += u"%1: %2\r\n"_s.arg(caption).arg(count.target);
    }
    return text;
}

} // namespace

QWidget* SettingsWindow::buildDatabasePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_databaseStateLabel = new QLabel(page);
    m_databaseStateLabel->setObjectName(u"databaseStateLabel"_s);
    m_databaseStateLabel->setWordWrap(true);
    layout->addWidget(m_databaseStateLabel);
    m_localDatabaseRadio = new QRadioButton(u"بانك اطلاعات همين رايانه"_s, page);
    m_localDatabaseRadio->setObjectName(u"localDatabaseRadio"_s);
    m_serverDatabaseRadio = new QRadioButton(u"سرور پايگاه داده"_s, page);
    m_serverDatabaseRadio->setObjectName(u"serverDatabaseRadio"_s);
    layout->addWidget(m_localDatabaseRadio);
    layout->addWidget(m_serverDatabaseRadio);

    auto* form = new QFormLayout;
    // The server's fields stand in under their choice, on the side the text begins.
    const int indent = 24;
    form->setContentsMargins(QApplication::isRightToLeft() ? 0 : indent, 0,
                             QApplication::isRightToLeft() ? indent : 0, 0);
    const auto addField = [page, form](QLabel*& label, QLineEdit*& edit, const QString& caption,
                                       const QString& name, int maxLength) {
        AddFormField(page, form, label, edit, caption, name, maxLength);
    };
    addField(m_serverHostLabel, m_serverHostEdit, u"نشاني سرور:"_s, u"serverHost"_s, 253);
    addField(m_serverPortLabel, m_serverPortEdit, u"درگاه:"_s, u"serverPort"_s, 5);
    addField(m_databaseNameLabel, m_databaseNameEdit, u"نام پايگاه داده:"_s, u"databaseName"_s, 63);
    addField(m_serverUserLabel, m_serverUserEdit, u"نام كاربر:"_s, u"serverUser"_s, 63);
    // Host names, database and role names are Latin: typed left to right.
    for (QLineEdit* edit : {m_serverHostEdit, m_serverPortEdit, m_databaseNameEdit, m_serverUserEdit}) {
        edit->setLayoutDirection(Qt::LeftToRight);
    }
    m_serverPortEdit->setMaximumWidth(80);
    KeyFilter::digitsOnly(m_serverPortEdit, u"\b"_s, [this] { numberRejected(); });
    m_serverPortEdit->setValidator(KeyFilter::asciiDigitsValidator(m_serverPortEdit, true));
    m_requireTlsCheck = new QCheckBox(u"فقط با اتصال امن (TLS)"_s, page);
    m_requireTlsCheck->setObjectName(u"requireTlsCheck"_s);
    form->addRow(QString(), m_requireTlsCheck);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    m_testConnectionButton = new QPushButton(u"آزمايش اتصال"_s, page);
    m_testConnectionButton->setObjectName(u"testConnectionButton"_s);
    m_switchDatabaseButton = new QPushButton(u"استفاده از اين پايگاه داده"_s, page);
    m_switchDatabaseButton->setObjectName(u"switchDatabaseButton"_s);
    m_moveToServerButton = new QPushButton(u"انتقال اطلاعات اين رايانه به سرور"_s, page);
    m_moveToServerButton->setObjectName(u"moveToServerButton"_s);
    for (QPushButton* button : {m_testConnectionButton, m_switchDatabaseButton, m_moveToServerButton}) {
        button->setAutoDefault(true); // Enter on the focused button presses it
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    m_databaseBusyLabel = new QLabel(u"اطلاعات به سرور منتقل مي شود؛ لطفا صبر كنيد..."_s, page);
    m_databaseBusyLabel->setObjectName(u"databaseBusyLabel"_s);
    m_databaseBusyLabel->hide();
    layout->addWidget(m_databaseBusyLabel);
    layout->addStretch();

    QWidget::setTabOrder(m_localDatabaseRadio, m_serverDatabaseRadio);
    QWidget::setTabOrder(m_serverDatabaseRadio, m_serverHostEdit);
    QWidget::setTabOrder(m_serverHostEdit, m_serverPortEdit);
    QWidget::setTabOrder(m_serverPortEdit, m_databaseNameEdit);
    QWidget::setTabOrder(m_databaseNameEdit, m_serverUserEdit);
    QWidget::setTabOrder(m_serverUserEdit, m_requireTlsCheck);
    QWidget::setTabOrder(m_requireTlsCheck, m_testConnectionButton);
    QWidget::setTabOrder(m_testConnectionButton, m_switchDatabaseButton);
    QWidget::setTabOrder(m_switchDatabaseButton, m_moveToServerButton);

    connect(m_serverDatabaseRadio, &QRadioButton::toggled, this, &SettingsWindow::databaseKindChanged);
    connect(m_testConnectionButton, &QPushButton::clicked, this, &SettingsWindow::testConnection);
    connect(m_switchDatabaseButton, &QPushButton::clicked, this, &SettingsWindow::switchDatabase);
    connect(m_moveToServerButton, &QPushButton::clicked, this, &SettingsWindow::moveToServer);
    return page;
}

void SettingsWindow::showDatabaseChoice() {
    QString why;
    const std::optional<DatabaseChoice> choice = ReadDatabaseChoice(m_context.programFolder, &why);
    const DatabaseChoice shown = choice.value_or(DatabaseChoice{});
    m_serverHostEdit->setText(shown.server.host);
    m_serverPortEdit->setText(QString::number(shown.server.port));
    m_databaseNameEdit->setText(shown.server.database);
    m_serverUserEdit->setText(shown.server.user);
    m_requireTlsCheck->setChecked(shown.server.requireTls);
    (shown.isServer() ? m_serverDatabaseRadio : m_localDatabaseRadio)->setChecked(true);
    databaseKindChanged();
    QString state;
    if (!choice) {
        state = u"فايل «%1» خراب است و اين بار برنامه با بانك اطلاعات همين رايانه كار مي كند.\r\n%2"_s.arg(
            ConnectionFileName(), why);
    } else if (shown.isServer() && LocalForSession(m_context.programFolder)) {
        state = u"اين بار برنامه با بانك اطلاعات همين رايانه كار مي كند؛ انتخاب شده: %1."_s.arg(
            WhereText(shown.server));
    } else if (shown.isServer()) {
        state = u"برنامه با %1 كار مي كند."_s.arg(WhereText(shown.server));
    } else {
        state = u"برنامه با بانك اطلاعات همين رايانه كار مي كند."_s;
    }
    m_databaseStateLabel->setText(state);
}

void SettingsWindow::databaseKindChanged() {
    const bool server = m_serverDatabaseRadio->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_serverHostLabel, m_serverHostEdit, m_serverPortLabel, m_serverPortEdit, m_databaseNameLabel,
             m_databaseNameEdit, m_serverUserLabel, m_serverUserEdit, m_requireTlsCheck,
             m_testConnectionButton, m_moveToServerButton}) {
        w->setEnabled(server);
    }
}

std::optional<ServerConnection> SettingsWindow::serverOfFields() {
    ServerConnection server;
    server.host = m_serverHostEdit->text().trimmed();
    server.port = KeyFilter::withAsciiDigits(m_serverPortEdit->text().trimmed()).toInt();
    server.database = m_databaseNameEdit->text().trimmed();
    server.user = m_serverUserEdit->text().trimmed();
    server.requireTls = m_requireTlsCheck->isChecked();
    QLineEdit* missing = nullptr;
    if (server.host.isEmpty()) {
        missing = m_serverHostEdit;
    } else if (server.port <= 0 || server.port > 65535) {
        missing = m_serverPortEdit;
    } else if (server.database.isEmpty()) {
        missing = m_databaseNameEdit;
    }
    if (missing) {
        MessageBox::warning(this, u"توجه"_s,
                            u"نشاني سرور، درگاه (عددي از 1 تا 65535) و نام پايگاه داده را وارد كنيد."_s);
        missing->setFocus();
        return std::nullopt;
    }
    return server;
}

void SettingsWindow::testConnection() {
    const auto server = serverOfFields();
    if (!server) {
        return;
    }
    WaitCursor wait;
    ServerLogin login = LogInToServer(this, *server);
    if (login.cancelled) {
        return;
    }
    if (!login.db) {
        MessageBox::critical(
            this, u"خطا"_s,
            u"اتصال به سرور «%1» برقرار نشد.\r\n%2"_s.arg(ServerAddressText(*server), login.error.trimmed()));
        return;
    }
    int version = -1;
    const ServerState state = ReadServerState(*login.db, &version);
    MessageBox::information(
        this, u"توجه"_s,
        u"اتصال به %1 برقرار شد.\r\n%2"_s.arg(WhereText(*server), ServerStateText(state, version)));
}

void SettingsWindow::switchDatabase() {
    QString why;
    const std::optional<DatabaseChoice> current = ReadDatabaseChoice(m_context.programFolder, &why);
    const bool sessionLocal = !current || LocalForSession(m_context.programFolder);
    DatabaseChoice chosen;
    if (m_localDatabaseRadio->isChecked()) {
        if (current && !current->isServer()) {
            MessageBox::information(this, u"توجه"_s,
                                    u"برنامه همين حالا با بانك اطلاعات همين رايانه كار مي كند."_s);
            return;
        }
        if (MessageBox::question(this, u"توجه"_s,
                                 u"از اين پس برنامه با بانك اطلاعات همين رايانه كار مي كند و اطلاعات سرور را "
                                 u"نمي بيند. ادامه مي دهيد؟"_s,
                                 QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
    } else {
        const auto server = serverOfFields();
        if (!server) {
            return;
        }
        chosen.kind = DatabaseChoice::Kind::Server;
        chosen.server = *server;
        if (current && *current == chosen && !sessionLocal) {
            MessageBox::information(this, u"توجه"_s,
                                    u"برنامه همين حالا با %1 كار مي كند."_s.arg(WhereText(*server)));
            return;
        }
        ServerLogin login;
        int version = -1;
        ServerState state = ServerState::Foreign;
        {
            WaitCursor wait;
            login = LogInToServer(this, *server);
            if (login.db) {
                state = ReadServerState(*login.db, &version);
            }
        }
        if (login.cancelled) {
            return;
        }
        if (!login.db) {
            MessageBox::critical(
                this, u"خطا"_s,
                u"اتصال به سرور «%1» برقرار نشد و پايگاه داده برنامه تغيير نكرد.\r\n%2"_s.arg(
                    ServerAddressText(*server), login.error.trimmed()));
            return;
        }
        if (state == ServerState::Empty) {
            MessageBox::warning(
                this, u"توجه"_s,
                u"%1 خالي است و برنامه با آن كار نمي كند.\r\n\r\nاول اطلاعات اين رايانه را با دكمه "
                u"«انتقال اطلاعات اين رايانه به سرور» به آن منتقل كنيد."_s.arg(WhereText(*server)));
            return;
        }
        if (state != ServerState::Current && state != ServerState::Older) {
            MessageBox::warning(this, u"توجه"_s,
                                ServerStateText(state, version) + u"\r\nپايگاه داده برنامه تغيير نكرد."_s);
            return;
        }
    }
    QString error;
    if (!WriteDatabaseChoice(m_context.programFolder, chosen, &error)) {
        MessageBox::critical(
            this, u"خطا"_s,
            u"فايل «%1» نوشته نشد و پايگاه داده برنامه تغيير نكرد.\r\n%2"_s.arg(ConnectionFileName(), error));
        return;
    }
    finishSwitch(chosen.isServer() ? u"از اين پس برنامه با %1 كار مي كند."_s.arg(WhereText(chosen.server))
                                   : u"از اين پس برنامه با بانك اطلاعات همين رايانه كار مي كند."_s);
}

void SettingsWindow::moveToServer() {
    const auto server = serverOfFields();
    if (!server) {
        return;
    }
    if (MessageBox::question(
            this, u"توجه"_s,
            u"اطلاعات اين رايانه به %1 منتقل شود؟\r\n\r\nفقط پايگاه داده خالي پذيرفته مي شود و "
            u"بانك اطلاعات اين رايانه همان طور كه هست مي ماند."_s.arg(WhereText(*server)),
            QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    MoveReport report;
    {
        // The password first, so the move itself asks nothing.
        WaitCursor wait;
        ServerLogin login = LogInToServer(this, *server);
        if (login.cancelled) {
            return;
        }
        if (!login.db) {
            report.outcome = MoveOutcome::Unreachable;
            report.error = login.error.trimmed();
            MessageBox::critical(this, u"خطا"_s, MoveFailureMessage(report));
            return;
        }
    }
    {
        // The copy runs beside the window, which stays painted but takes no input meanwhile.
        WaitCursor wait;
        m_moving = true;
        m_settingsTabs->setEnabled(false);
        m_closeButton->setEnabled(false);
        m_databaseBusyLabel->show();
        const QString folder = m_context.programFolder;
        const ServerConnection target = *server;
        QThread* worker =
            QThread::create([&report, folder, target] { report = MoveToServer(folder, target); });
        QEventLoop loop;
        connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker->wait();
        delete worker;
        m_databaseBusyLabel->hide();
        m_closeButton->setEnabled(true);
        m_settingsTabs->setEnabled(true);
        m_moving = false;
    }
    if (report.outcome != MoveOutcome::Moved) {
        MessageBox::critical(this, u"خطا"_s, MoveFailureMessage(report));
        return;
    }
    finishSwitch(
        u"اطلاعات اين رايانه به %1 منتقل شد و با آن مقايسه شد؛ همه يكسان بود.\r\n%2نمره هاي %3 آزمودني "
        u"مقايسه شد.\r\n\r\nاز اين پس برنامه با سرور كار مي كند."_s
            .arg(WhereText(*server), MovedCounts(report))
            .arg(report.examineesCompared));
}

void SettingsWindow::finishSwitch(const QString& what) {
    showDatabaseChoice();
    MessageBox::information(this, u"توجه"_s,
                            what +
                                u"\r\n\r\nبرنامه اكنون بسته مي شود؛ آن را دوباره باز كنيد تا با پايگاه داده "
                                u"جديد كار كند."_s);
    emit databaseSwitched();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    if (m_moving) {
        event->ignore(); // the move ends first, then the window may close
        return;
    }
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
