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

    QLabel* m_versionLabel = nullptr;      // the version caption
    QLabel* m_instructionsLabel = nullptr; // the instructions
    QPushButton* m_checkButton = nullptr;
    QPushButton* m_closeButton = nullptr;

private:
    void checkForUpdate();
    void actOnOutcome(int outcome);
    void returnToIdle();

    Context m_context;
    MainWindowLock m_mainLock;
    std::function<void()> m_quit;
    QPointer<VersionCheck> m_versionCheck;
    bool m_waitCursor = false;
};

} // namespace morvalen
