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

const char16_t* const kClinicLabels[] = {
    u"نام كلينيك:", u"آدرس:",    u"",       u"ايميل:",  u"تلگرام:",
    u"اينستاگرام:", u"وب سايت:", u"تويتر:", u"فيسبوك:", u"تلفن:",
};

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
    TxtRang->setText(m_row.theme);
    FEItem[0]->setText(m_row.name);
    FEItem[1]->setText(m_row.address);
    const QString* contacts[] = {&m_row.email,   &m_row.telegram, &m_row.instagram, &m_row.web,
                                 &m_row.twitter, &m_row.facebook, &m_row.tel};
    for (int i = 3; i <= 9; ++i) {
        FEItem[i]->setText(*contacts[i - 3]);
    }
    Txtmosh->setText(m_row.contactBlock);
    CheckBox1->setChecked(m_row.logo.trimmed() == u"1"_s);
    m_adjusting = false;
    setLogoCaption();
    QNummer->setText(u"1"_s);
    questionNumberChanged();
    showLogo();
}

SettingsWindow::~SettingsWindow() = default;

QString SettingsWindow::logoPath() const {
    return m_context.file(u"LogoMorvalen.jpg"_s);
}

void SettingsWindow::numberRejected() {
    QApplication::beep();
    ShowTimedMessage(this, u"شما بايد عدد وارد كنيد"_s, m_context.intervals.timedMessageMs);
}

void SettingsWindow::build() {
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    TabControl1 = new QTabWidget(this);
    TabControl1->setObjectName(u"TabControl1"_s);
    TabControl1->addTab(buildThemePage(), u"تغيير تم"_s);
    TabControl1->addTab(buildClinicPage(), u"مشخصات كلينيك"_s);
    TabControl1->addTab(buildQuestionPage(), u"ويرايش سوالات"_s);
    connect(TabControl1, &QTabWidget::tabBarClicked, Txtmosh, &QWidget::hide);
    layout->addWidget(TabControl1, 1);
    PushButtonExit = new QPushButton(u"بستن"_s, this);
    PushButtonExit->setObjectName(u"PushButtonExit"_s);
    connect(PushButtonExit, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(PushButtonExit, 0, Qt::AlignLeft | Qt::AlignAbsolute);
}

QWidget* SettingsWindow::buildThemePage() {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout;
    TxtRang = new QLineEdit(page);
    TxtRang->setObjectName(u"TxtRang"_s);
    TxtRang->setMaximumWidth(80);
    TxtRang->setAlignment(Qt::AlignCenter);
    TxtRang->installEventFilter(new KeyFilter(u"0123456789\b\r"_s, TxtRang, [this] { numberRejected(); }));
    PBSelect[0] = new QPushButton(u"بعدي"_s, page);
    PBSelect[0]->setObjectName(u"PBSelect_0"_s);
    PBSelect[1] = new QPushButton(u"قبلي"_s, page);
    PBSelect[1]->setObjectName(u"PBSelect_1"_s);
    row->addStretch();
    row->addWidget(PBSelect[1]);
    row->addWidget(TxtRang);
    row->addWidget(PBSelect[0]);
    row->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    connect(TxtRang, &QLineEdit::textChanged, this, &SettingsWindow::themeChanged);
    connect(PBSelect[0], &QPushButton::clicked, this, [this] {
        TxtRang->setText(QString::number(static_cast<int>(LeadingNumber(TxtRang->text().toStdString())) + 1));
    });
    connect(PBSelect[1], &QPushButton::clicked, this, [this] {
        TxtRang->setText(QString::number(static_cast<int>(LeadingNumber(TxtRang->text().toStdString())) - 1));
    });
    return page;
}

QWidget* SettingsWindow::buildClinicPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* form = new QFormLayout;
    for (int i = 0; i <= 9; ++i) {
        if (i == 2) {
            continue; // the clinic fields have no member 2
        }
        Lbl2[i] = new QLabel(QString::fromUtf16(kClinicLabels[i]), page);
        Lbl2[i]->setObjectName(u"Lbl2_%1"_s.arg(i));
        FEItem[i] = new QLineEdit(page);
        FEItem[i]->setObjectName(u"FEItem_%1"_s.arg(i));
        form->addRow(Lbl2[i], FEItem[i]);
    }
    Txtmosh = new QLineEdit(page);
    Txtmosh->setObjectName(u"Txtmosh"_s);
    Txtmosh->hide();
    PBMosh[0] = new QPushButton(u"ذخيره"_s, page);
    PBMosh[0]->setObjectName(u"PBMosh_0"_s);
    form->addRow(QString(), PBMosh[0]);
    layout->addLayout(form, 1);

    auto* logo = new QVBoxLayout;
    Image1 = new QLabel(page);
    Image1->setObjectName(u"Image1"_s);
    Image1->setFixedSize(160, 160);
    Image1->setFrameShape(QFrame::StyledPanel);
    Image1->setAlignment(Qt::AlignCenter);
    PBMosh[2] = new QPushButton(u"انتخاب آرم"_s, page);
    PBMosh[2]->setObjectName(u"PBMosh_2"_s);
    CheckBox1 = new QCheckBox(page);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    logo->addWidget(Image1, 0, Qt::AlignHCenter);
    logo->addWidget(PBMosh[2]);
    logo->addWidget(CheckBox1);
    logo->addStretch();
    layout->addLayout(logo);

    connect(PBMosh[0], &QPushButton::clicked, this, &SettingsWindow::saveClinic);
    connect(PBMosh[2], &QPushButton::clicked, this, &SettingsWindow::chooseLogo);
    // The flag reaches the database with the next write of the row, not on the click.
    connect(CheckBox1, &QCheckBox::toggled, this, &SettingsWindow::setLogoCaption);
    return page;
}

QWidget* SettingsWindow::buildQuestionPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    Lbl2[10] = new QLabel(u"شماره سوال :"_s, page);
    Lbl2[10]->setObjectName(u"Lbl2_10"_s);
    QNummer = new QLineEdit(page);
    QNummer->setObjectName(u"QNummer"_s);
    QNummer->setMaximumWidth(80);
    QNummer->setAlignment(Qt::AlignCenter);
    auto* filter = new KeyFilter(u"0123456789\b\r"_s, QNummer, [this] { numberRejected(); });
    QNummer->installEventFilter(filter);
    PushButton4 = new QPushButton(u"<<<قبلي"_s, page);
    PushButton4->setObjectName(u"PushButton4"_s);
    PushButton5 = new QPushButton(u"بعدي >>>"_s, page);
    PushButton5->setObjectName(u"PushButton5"_s);
    row->addWidget(Lbl2[10]);
    row->addWidget(QNummer);
    row->addWidget(PushButton4);
    row->addWidget(PushButton5);
    row->addStretch();
    layout->addLayout(row);
    Text2_0 = new QTextEdit(page);
    Text2_0->setObjectName(u"Text2_0"_s);
    Text2_0->setAcceptRichText(false);
    layout->addWidget(Text2_0, 1);
    auto* buttons = new QHBoxLayout;
    PushButton7 = new QPushButton(u"ذخيره "_s, page);
    PushButton7->setObjectName(u"PushButton7"_s);
    PBImport = new QPushButton(u"خواندن همه سوالات از فايل متني"_s, page);
    PBImport->setObjectName(u"PBImport"_s);
    PBExport = new QPushButton(u"نوشتن همه سوالات در فايل متني"_s, page);
    PBExport->setObjectName(u"PBExport"_s);
    buttons->addWidget(PushButton7);
    buttons->addStretch();
    buttons->addWidget(PBImport);
    buttons->addWidget(PBExport);
    layout->addLayout(buttons);

    connect(QNummer, &QLineEdit::textChanged, this, &SettingsWindow::questionNumberChanged);
    const auto step = [this](int delta) {
        QNummer->setText(
            QString::number(static_cast<int>(LeadingNumber(QNummer->text().toStdString())) + delta));
    };
    connect(PushButton4, &QPushButton::clicked, this, [step] { step(-1); });
    connect(PushButton5, &QPushButton::clicked, this, [step] { step(+1); });
    connect(PushButton7, &QPushButton::clicked, this, [this] {
        const int item = QNummer->text().toInt();
        if (m_questions && m_questions->setText(item, Text2_0->toPlainText())) {
            ShowTimedMessage(this, u"ذخيره شد"_s, m_context.intervals.timedMessageMs);
        } else {
            MessageBox::critical(this, u"خطا"_s, u"متن سوال ذخيره نشد."_s);
        }
    });
    connect(PBImport, &QPushButton::clicked, this, &SettingsWindow::importQuestions);
    connect(PBExport, &QPushButton::clicked, this, &SettingsWindow::exportQuestions);
    return page;
}

void SettingsWindow::themeChanged() {
    if (m_adjusting) {
        return;
    }
    const QString clamped = Clamped(TxtRang->text(), 1, 23);
    if (clamped != TxtRang->text()) {
        TxtRang->setText(clamped); // runs this again with the clamped text
        return;
    }
    ApplyTheme(*qApp, m_context.programFolder, clamped);
    writeSettings();
}

void SettingsWindow::questionNumberChanged() {
    const QString clamped = Clamped(QNummer->text(), 1, 232);
    if (clamped != QNummer->text()) {
        QNummer->setText(clamped);
        return;
    }
    Text2_0->setPlainText(m_questions ? m_questions->text(clamped.toInt()) : QString());
}

bool SettingsWindow::writeSettings() {
    if (!m_settings) {
        return false;
    }
    m_row.theme = TxtRang->text();
    m_row.name = FEItem[0]->text();
    m_row.address = FEItem[1]->text();
    QString* contacts[] = {&m_row.email,   &m_row.telegram, &m_row.instagram, &m_row.web,
                           &m_row.twitter, &m_row.facebook, &m_row.tel};
    for (int i = 3; i <= 9; ++i) {
        *contacts[i - 3] = FEItem[i]->text();
    }
    m_row.contactBlock = Txtmosh->text();
    m_row.logo = CheckBox1->isChecked() ? u"1"_s : u"0"_s;
    return m_settings->write(m_row);
}

void SettingsWindow::saveClinic() {
    // The contact block: the filled contact fields in order, each on a line of its own.
    QString block;
    for (int i = 3; i <= 9; ++i) {
        if (!FEItem[i]->text().isEmpty()) {
            block += FEItem[i]->text() + u"\r\n"_s;
        }
    }
    Txtmosh->setText(block);
    if (!writeSettings()) {
        MessageBox::critical(this, u"خطا"_s, u"تغييرات ذخيره نشد."_s);
        return;
    }
    ShowTimedMessage(this, u"تغييرات با موفقيت ذخيره شد"_s, m_context.intervals.timedMessageMs);
    if (auto* main = qobject_cast<MainWindow*>(m_mainLock.window())) {
        main->setClinicName(FEItem[0]->text());
    }
    QDir::setCurrent(m_context.programFolder);
}

void SettingsWindow::showLogo() {
    const QPixmap logo(logoPath());
    if (logo.isNull()) {
        Image1->clear();
        return;
    }
    Image1->setPixmap(logo.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
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
    CheckBox1->setText(CheckBox1->isChecked() ? u"آرم را در قسمت پرينت نمايش دهد"_s
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
