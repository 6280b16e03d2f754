#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QLabel;
class QPushButton;

namespace morvalen {

class VersionCheck;

// Checks on demand whether a newer version is published, and leads to its download.
class UpdateWindow : public QDialog {
    Q_OBJECT

public:
    // quit is handed to the download window, which ends the program after starting the installer.
    UpdateWindow(const Context& context, QWidget* mainWindow, std::function<void()> quit = {});
    ~UpdateWindow() override;

    QLabel* Label1 = nullptr; // the version caption
    QLabel* Label2 = nullptr; // the instructions
    QPushButton* PBCheck = nullptr;
    QPushButton* PBExit = nullptr;

private:
    void check();
    void checked(int outcome);
    void idle();

    Context m_context;
    MainWindowLock m_mainLock;
    std::function<void()> m_quit;
    QPointer<VersionCheck> m_check;
    bool m_waitCursor = false;
};

} // namespace morvalen
