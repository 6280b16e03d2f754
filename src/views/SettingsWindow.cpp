#include "views/SettingsWindow.h"
#include "views/ViewParts.h"

#include "core/NumberText.h"
#include "shell/FileDialog.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/Skin.h"
#include "shell/TimedMessage.h"
#include "views/KeyFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

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
    return text;
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
        label = new QLabel(caption, page);
        label->setObjectName(name + u"Label"_s);
        edit = new QLineEdit(page);
        edit->setObjectName(name + u"Edit"_s);
        edit->setMaxLength(maxLength);
        form->addRow(label, edit);
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
    QSaveFile out(logoPath());
    bool saved = false;
    if (!picture.isNull() && out.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&out, "BMP");
        saved = writer.write(picture) && out.commit();
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
    QSaveFile out(file);
    bool ok = out.open(QIODevice::WriteOnly);
    if (ok) {
        QString text;
        for (int item = 1; item <= 232; ++item) {
            text += m_questions->text(item).replace(u'\n', u' ').remove(u'\r') + u'\n';
        }
        ok = out.write(text.toUtf8()) >= 0 && out.commit();
    }
    if (!ok) {
        MessageBox::critical(this, u"خطا"_s, u"فايل سوالات نوشته نشد."_s);
        return;
    }
    ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    m_mainLock.release();
    event->accept();
}

} // namespace morvalen
