#include "shell/MainWindow.h"

#include "shell/Appearance.h"
#include "shell/ExitQuestion.h"
#include "store/SettingsStore.h"

#include <QAction>
#include <QApplication>
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

// The open view, the one that keeps the main window disabled, raised and made active.
void BringOpenViewForward(QWidget* mainWindow) {
    QWidget* view = QApplication::activeModalWidget();
    if (!view) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            const Qt::WindowType type = w->windowType();
            if (w != mainWindow && w->isVisible() && (type == Qt::Window || type == Qt::Dialog)) {
                view = w;
                break;
            }
        }
    }
    if (view) {
        view->raise();
        view->activateWindow();
    }
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
    // The theme's background reaches the strip behind the title block through the palette.
    if (m_services->applyTheme) {
        m_services->applyTheme(*this);
    }
    buildUpdateNotice();

    // The update check runs once, half a second after the window has loaded.
    m_loadTimer = new QTimer(this);
    m_loadTimer->setObjectName(u"loadTimer"_s);
    m_loadTimer->setSingleShot(true);
    m_loadTimer->setInterval(m_context.intervals.versionProbeMs);
    connect(m_loadTimer, &QTimer::timeout, this, [this] {
        m_loadTimer->stop();
        if (m_services->versionProbe) {
            m_services->versionProbe(*this);
        }
    });
    m_loadTimer->start();
}

MainWindow::~MainWindow() = default;

MainWindow* MainWindow::ShowMain(const Context& context, std::shared_ptr<MainServices> services) {
    auto* window = new MainWindow(context, std::move(services));
    window->show();
    return window;
}

void MainWindow::buildToolbar() {
    m_toolbar = new QToolBar(u"Standard"_s, this);
    m_toolbar->setObjectName(u"toolbar"_s);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(42, 35));
    m_toolbar->setFont(NazaninFont(11, true));
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    for (const MainCommand& command : Commands()) {
        QAction* action = m_toolbar->addAction(QIcon(u":/icons/%1.svg"_s.arg(command.icon)), command.caption);
        action->setObjectName(u"Command_%1"_s.arg(command.id));
        action->setData(command.id);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        // Each button holds the font itself: a font it only inherits from the toolbar is
        // dropped when a skin's style sheet is taken off again.
        m_toolbar->widgetForAction(action)->setFont(m_toolbar->font());
    }
    setMenuBar(nullptr);
}

void MainWindow::buildTitleBlock() {
    m_clientPanel = new QWidget(this);
    m_clientPanel->setObjectName(u"clientPanel"_s);
    m_clientPanel->setAutoFillBackground(true);
    setCentralWidget(m_clientPanel);

    m_clinicNameLabel =
        MakeTitleLabel(m_clientPanel, u"clinicNameLabel"_s, readClinicName(), NazaninFont(36, true));
    QFont product(u"Cooper Black"_s);
    product.setPointSize(72);
    m_productNameLabel = MakeTitleLabel(m_clientPanel, u"productNameLabel"_s, u"Morvalen"_s, product);
    m_taglineLabel = MakeTitleLabel(m_clientPanel, u"taglineLabel"_s, u"نرم افزار تخصصي روانشناسي"_s,
                                    NazaninFont(36, true));
}

void MainWindow::buildUpdateNotice() {
    m_updateNoticePanel = new QGroupBox(m_clientPanel);
    m_updateNoticePanel->setObjectName(u"updateNoticePanel"_s);
    m_updateNoticePanel->setFixedSize(500, 210);
    // Opaque, so the title lines behind it do not show through.
    m_updateNoticePanel->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(m_updateNoticePanel);
    m_noticeTitleLabel = new QLabel(u"آپديت جديد نرم افزار"_s, m_updateNoticePanel);
    m_noticeTitleLabel->setObjectName(u"noticeTitleLabel"_s);
    m_noticeTitleLabel->setFont(NazaninFont(14.25, true));
    m_noticeTextLabel = new QLabel(
        u"ورژن جديد نرم افزار بر روي سايت قرار گرفته است. جهت آپديت, روي دكمه بروزرساني كليك كنيد."_s,
        m_updateNoticePanel);
    m_noticeTextLabel->setObjectName(u"noticeTextLabel"_s);
    m_noticeTextLabel->setWordWrap(true);
    m_backupWarningLabel = new QLabel(u"قبل از بروزرساني حتما بكاپ بگيريد"_s, m_updateNoticePanel);
    m_backupWarningLabel->setObjectName(u"backupWarningLabel"_s);
    m_closeNoticeButton = new QPushButton(u"بستن"_s, m_updateNoticePanel);
    m_closeNoticeButton->setObjectName(u"closeNoticeButton"_s);
    layout->addWidget(m_noticeTitleLabel);
    layout->addWidget(m_noticeTextLabel);
    layout->addWidget(m_backupWarningLabel);
    layout->addWidget(m_closeNoticeButton, 0, Qt::AlignHCenter);
    connect(m_closeNoticeButton, &QPushButton::clicked, m_updateNoticePanel, &QWidget::hide);
    m_updateNoticePanel->hide();
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
    m_clinicNameLabel->setText(name);
}

void MainWindow::refreshClinicName() {
    setClinicName(readClinicName());
}

void MainWindow::showUpdateNotice() {
    m_updateNoticePanel->show();
    m_updateNoticePanel->raise();
}

void MainWindow::runCommand(int id) {
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
    m_taglineLabel->setGeometry(0, Px(topT), width, Px(kTitleHeightTwips));
    m_productNameLabel->setGeometry(0, Px(topT - 1680), width, Px(kTitleHeightTwips));
    m_clinicNameLabel->setGeometry(0, Px(topT - 3680), width, Px(kTitleHeightTwips));
    // Place the notice by its left edge whatever the layout direction.
    const int left = static_cast<int>(wTwips / 3.6) / kTwipsPerPixel;
    const int top = static_cast<int>(hTwips / 4.8) / kTwipsPerPixel;
    m_updateNoticePanel->move(left, top);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    refreshClinicName();
    layoutClient();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While a view is open this window is disabled and must stay: closing it would end the
    // program under the view, with what the view shows not yet stored. The view comes forward
    // instead, so the user sees what to finish first.
    if (!isEnabled()) {
        event->ignore();
        BringOpenViewForward(this);
        return;
    }
    // The question comes up before this window goes, so the program never has no window.
    auto* question = new ExitQuestion(m_context, m_services);
    question->show();
    event->accept();
}

} // namespace morvalen
