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

// What the main window reaches beyond itself. The windows behind the toolbar, the skin and
// the update check are plugged in here by the application, so the main window needs no
// knowledge of them and a command without a window simply does nothing.
struct MainServices {
    using Action = std::function<void(MainWindow&)>;
    std::map<int, Action> commands; // by command id
    Action applySkin;               // at every load, before the window is shown
    Action versionProbe;            // once per load, from Timer1
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
    void OnExecute(int id);
    // The first title line; the settings window sets it after saving.
    void setClinicName(const QString& name);
    // Reads the clinic name from the settings row again (after a restore, say).
    void refreshClinicName();
    // Shows the update notice box; the version probe calls it when a newer version exists.
    void showUpdateNotice();

    const Context& context() const { return m_context; }

    QToolBar* CommandBars = nullptr; // holds the toolbar "Standard"
    QWidget* Picture1 = nullptr;     // the client area behind the title block
    QLabel* LblKName = nullptr;
    QLabel* LblFName = nullptr;
    QLabel* LblTName = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QTimer* Timer1 = nullptr;

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
