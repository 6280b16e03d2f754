#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace morvalen {

// Keeps the main window disabled while a view is open: locked when the view loads, released
// when it closes (or, at the latest, when it goes).
class MainWindowLock {
public:
    explicit MainWindowLock(QWidget* mainWindow = nullptr) { lock(mainWindow); }
    ~MainWindowLock() { release(); }
    MainWindowLock(const MainWindowLock&) = delete;
    MainWindowLock& operator=(const MainWindowLock&) = delete;

    // Disables this main window; a rebuilt main window takes the place of the old one.
    void lock(QWidget* mainWindow) {
        m_window = mainWindow;
        if (m_window) {
            m_window->setEnabled(false);
        }
    }
    void release() {
        if (m_window) {
            m_window->setEnabled(true);
        }
    }
    QWidget* window() const { return m_window; }

    // A dialog that is accepted or rejected only hides, and goes later: release then.
    void releaseWhenFinished(QDialog* dialog) {
        QObject::connect(dialog, &QDialog::finished, dialog, [this] { release(); });
    }

private:
    QPointer<QWidget> m_window;
};

} // namespace morvalen
