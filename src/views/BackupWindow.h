#pragma once

#include "shell/Context.h"
#include "store/ServerConnection.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QTimer;

namespace morvalen {

// Backup and restore of the main database, with today's date and the time. The database is
// the program folder's local file, or the clinic's server when the folder's connection file
// says so; the backup files are the same either way.
class BackupWindow : public QWidget {
    Q_OBJECT

public:
    BackupWindow(const Context& context, QWidget* mainWindow);
    ~BackupWindow() override;

    // The file name the save dialog suggests, from the date and time shown.
    QString suggestedName() const;
    // The folder both dialogs start in, made on first use.
    QString backupFolder() const;

    // The two actions: write the backup file named in its field, or restore from the one named.
    void makeBackup();
    void restoreBackup();

    QLabel* m_dateLabel = nullptr;         // today's date, 1402.5.9
    QLabel* m_timeLabel = nullptr;         // the time, 9.05, kept current by the clock timer
    QLabel* m_loadDateLabel = nullptr;     // hidden: the date when the window opened, for the file name
    QLineEdit* m_backupFileEdit = nullptr; // the backup to write
    QPushButton* m_chooseBackupFileButton = nullptr;
    QPushButton* m_backupButton = nullptr;
    QLineEdit* m_restoreFileEdit = nullptr; // the backup to restore from
    QPushButton* m_chooseRestoreFileButton = nullptr;
    QPushButton* m_restoreButton = nullptr;
    QProgressBar* m_restoreProgressBar = nullptr; // how far a restore has come, shown while it runs
    QTimer* m_clockTimer = nullptr;
    QPushButton* m_helpButton = nullptr;
    QGroupBox* m_helpPanel = nullptr;
    QTextEdit* m_helpText = nullptr;
    QPushButton* m_helpCloseButton = nullptr;
    QPushButton* m_exitButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void chooseBackupFile();
    void chooseRestoreFile();
    void setBusy(bool busy);
    QString databasePath() const;
    // The program folder's database: the local file or the clinic's server. When the
    // connection file cannot be read, says so and gives nothing.
    std::optional<DatabaseChoice> databaseChoice();

    Context m_context;
    MainWindowLock m_mainLock;
    bool m_busy = false;
};

} // namespace morvalen
