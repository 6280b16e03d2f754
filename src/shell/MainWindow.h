#pragma once

#include "shell/Context.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <map>
#include <memory>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QToolBar;

namespace morvalen {

class MainWindow;

// One toolbar command: its id, caption and icon.
struct MainCommand {
    int id;
    QString caption;
    QString icon;
};

// What the main window reaches beyond itself. The windows behind the toolbar, the theme and
// the update check are plugged in here by the application, so the main window needs no
// knowledge of them and a command without a window simply does nothing.
struct MainServices {
    using Action = std::function<void(MainWindow&)>;
    std::map<int, Action> commands; // by command id
    Action applyTheme;              // at every load, before the window is shown
    Action versionProbe;            // once per load, from the load timer
    std::function<void()> quit;     // "بلي" of the exit question; the application's exit when unset
};

// The main window: the toolbar "Standard" with the ten commands, the title block, and the
// hidden update notice. Closing it asks whether to leave the program.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(const Context& context, std::shared_ptr<MainServices> services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The ten commands in toolbar order.
    static const std::array<MainCommand, 10>& Commands();
    // Makes and shows a main window; it deletes itself when closed.
    static MainWindow* ShowMain(const Context& context, std::shared_ptr<MainServices> services);

    // Runs the command with this id; an unknown id does nothing.
    void runCommand(int id);
    // The first title line; the settings window sets it after saving.
    void setClinicName(const QString& name);
    // Reads the clinic name from the settings row again (after a restore, say).
    void refreshClinicName();
    // Shows the update notice box; the version probe calls it when a newer version exists.
    void showUpdateNotice();

    const Context& context() const { return m_context; }

    QToolBar* m_toolbar = nullptr;            // the toolbar "Standard"
    QWidget* m_clientPanel = nullptr;         // the client area behind the title block
    QLabel* m_clinicNameLabel = nullptr;      // first title line: the clinic's name
    QLabel* m_productNameLabel = nullptr;     // second title line: "Morvalen"
    QLabel* m_taglineLabel = nullptr;         // third title line: what the program is
    QGroupBox* m_updateNoticePanel = nullptr; // hidden until a newer version is found
    QLabel* m_noticeTitleLabel = nullptr;
    QLabel* m_noticeTextLabel = nullptr;
    QLabel* m_backupWarningLabel = nullptr;
    QPushButton* m_closeNoticeButton = nullptr;
    QTimer* m_loadTimer = nullptr; // the version probe, once the window has loaded

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildTitleBlock();
    void buildUpdateNotice();
    void layoutClient();
    QString readClinicName() const;

    Context m_context;
    std::shared_ptr<MainServices> m_services;
};

} // namespace morvalen
