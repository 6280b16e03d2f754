#include "shell/MainWindow.h"

#include "shell/Appearance.h"
#include "shell/ExitQuestion.h"
#include "store/SettingsStore.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Positions are worked out in twips, as the layout is given, at 15 twips a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int kTitleHeightTwips = 1680;
const QColor kTitleColour(156, 73, 177);

int Px(int twips) {
    return twips / kTwipsPerPixel;
}

QLabel* MakeTitleLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kTitleColour);
    label->setPalette(palette);
    return label;
}

} // namespace

const std::array<MainCommand, 10>& MainWindow::Commands() {
    static const std::array<MainCommand, 10> commands{{
        {100, u"آزمودني ها"_s, u"cmd_100"_s},
        {101, u"پاسخنامه"_s, u"cmd_101"_s},
        {140, u"فايل آزمودني"_s, u"cmd_140"_s},
        {141, u"نتيجه تست"_s, u"cmd_141"_s},
        {142, u"تنظيمات"_s, u"cmd_142"_s},
        {143, u"بروزرساني"_s, u"cmd_143"_s},
        {144, u"پشتيبان گيري"_s, u"cmd_144"_s},
        {147, u"سايت ما"_s, u"cmd_147"_s},
        {145, u"تماس با ما"_s, u"cmd_145"_s},
        {146, u"خروج"_s, u"cmd_146"_s},
    }};
    return commands;
}

MainWindow::MainWindow(const Context& context, std::shared_ptr<MainServices> services, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_services(std::move(services)) {
    setObjectName(u"MainWindow"_s);
    setWindowTitle(u"Morvalen"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 720);

    buildToolbar();
    buildTitleBlock();
    // The skin's background reaches the strip behind the title block through the palette.
    if (m_services->applySkin) {
        m_services->applySkin(*this);
    }
    buildUpdateNotice();

    // The update check runs once, half a second after the window has loaded.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setSingleShot(true);
    Timer1->setInterval(m_context.intervals.versionProbeMs);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        if (m_services->versionProbe) {
            m_services->versionProbe(*this);
        }
    });
    Timer1->start();
}

MainWindow::~MainWindow() = default;

MainWindow* MainWindow::ShowMain(const Context& context, std::shared_ptr<MainServices> services) {
    auto* window = new MainWindow(context, std::move(services));
    window->show();
    return window;
}

void MainWindow::buildToolbar() {
    CommandBars = new QToolBar(u"Standard"_s, this);
    CommandBars->setObjectName(u"Standard"_s);
    CommandBars->setMovable(false);
    CommandBars->setFloatable(false);
    CommandBars->setContextMenuPolicy(Qt::PreventContextMenu);
    CommandBars->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    CommandBars->setIconSize(QSize(42, 35));
    CommandBars->setFont(NazaninFont(11, true));
    addToolBar(Qt::TopToolBarArea, CommandBars);
    for (const MainCommand& command : Commands()) {
        QAction* action =
            CommandBars->addAction(QIcon(u":/icons/%1.svg"_s.arg(command.icon)), command.caption);
        action->setObjectName(u"Command_%1"_s.arg(command.id));
        action->setData(command.id);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { OnExecute(id); });
    }
    setMenuBar(nullptr);
}

void MainWindow::buildTitleBlock() {
    Picture1 = new QWidget(this);
    Picture1->setObjectName(u"Picture1"_s);
    Picture1->setAutoFillBackground(true);
    setCentralWidget(Picture1);

    LblKName = MakeTitleLabel(Picture1, u"LblKName"_s, readClinicName(), NazaninFont(36, true));
    QFont product(u"Cooper Black"_s);
    product.setPointSize(72);
    LblFName = MakeTitleLabel(Picture1, u"LblFName"_s, u"Morvalen"_s, product);
    LblTName = MakeTitleLabel(Picture1, u"LblTName"_s, u"نرم افزار تخصصي روانشناسي"_s, NazaninFont(36, true));
}

void MainWindow::buildUpdateNotice() {
    GroupBox1 = new QGroupBox(Picture1);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setFixedSize(500, 210);
    // Opaque, so the title lines behind it do not show through.
    GroupBox1->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(GroupBox1);
    Label1 = new QLabel(u"آپديت جديد نرم افزار"_s, GroupBox1);
    Label1->setObjectName(u"Label1"_s);
    Label1->setFont(NazaninFont(14.25, true));
    Label2 = new QLabel(
        u"ورژن جديد نرم افزار بر روي سايت قرار گرفته است. جهت آپديت, روي دكمه بروزرساني كليك كنيد."_s,
        GroupBox1);
    Label2->setObjectName(u"Label2"_s);
    Label2->setWordWrap(true);
    Label3 = new QLabel(u"قبل از بروزرساني حتما بكاپ بگيريد"_s, GroupBox1);
    Label3->setObjectName(u"Label3"_s);
    PushButton1 = new QPushButton(u"بستن"_s, GroupBox1);
    PushButton1->setObjectName(u"PushButton1"_s);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(PushButton1, 0, Qt::AlignHCenter);
    connect(PushButton1, &QPushButton::clicked, GroupBox1, &QWidget::hide);
    GroupBox1->hide();
}

QString MainWindow::readClinicName() const {
    // The window opens its own connection for the one read and drops it straight away.
    auto db = Database::open(m_context.programFolder, DatabaseFile::Main);
    if (!db) {
        return {};
    }
    const auto settings = SettingsStore(*db).read();
    return settings ? settings->name : QString();
}

void MainWindow::setClinicName(const QString& name) {
    LblKName->setText(name);
}

void MainWindow::refreshClinicName() {
    setClinicName(readClinicName());
}

void MainWindow::showUpdateNotice() {
    GroupBox1->show();
    GroupBox1->raise();
}

void MainWindow::OnExecute(int id) {
    if (id == 146) {
        close();
        return;
    }
    const auto found = m_services->commands.find(id);
    if (found != m_services->commands.end() && found->second) {
        found->second(*this);
    }
}

void MainWindow::layoutClient() {
    // W and H are the window's outer size; the title lines keep their fixed vertical spacing
    // below the middle of the window and span its whole width.
    const QRect frame = frameGeometry();
    const int wTwips = frame.width() * kTwipsPerPixel;
    const int hTwips = frame.height() * kTwipsPerPixel;
    const int width = frame.width();
    const int topT = (hTwips + 3000) / 2;
    LblTName->setGeometry(0, Px(topT), width, Px(kTitleHeightTwips));
    LblFName->setGeometry(0, Px(topT - 1680), width, Px(kTitleHeightTwips));
    LblKName->setGeometry(0, Px(topT - 3680), width, Px(kTitleHeightTwips));
    // Place the notice by its left edge whatever the layout direction.
    const int left = static_cast<int>(wTwips / 3.6) / kTwipsPerPixel;
    const int top = static_cast<int>(hTwips / 4.8) / kTwipsPerPixel;
    GroupBox1->move(left, top);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    refreshClinicName();
    layoutClient();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The question comes up before this window goes, so the program never has no window.
    auto* question = new ExitQuestion(m_context, m_services);
    question->show();
    event->accept();
}

} // namespace morvalen
