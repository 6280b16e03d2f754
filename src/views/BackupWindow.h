#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;

namespace morvalen {

// Backup and restore of the main database, with today's date and the time.
class BackupWindow : public QWidget {
    Q_OBJECT

public:
    BackupWindow(const Context& context, QWidget* mainWindow);
    ~BackupWindow() override;

    // The file name the save dialog suggests, from the date and time shown.
    QString suggestedName() const;
    // The folder both dialogs start in, made on first use.
    QString backupFolder() const;

    void Backup();
    void Restore();

    QLineEdit* Text1 = nullptr; // the backup to write
    QPushButton* b1 = nullptr;
    QPushButton* VisualButtonEx2 = nullptr; // "BACKUP"
    QLineEdit* Text2 = nullptr;             // the backup to restore from
    QPushButton* b2 = nullptr;
    QPushButton* VisualButtonEx3 = nullptr; // "REASTOR"
    QLabel* Label1 = nullptr;               // today's date, 1402.5.9
    QLabel* Label2 = nullptr;               // the time, 9.05
    QLabel* Label3 = nullptr;               // the date at load, for the file name
    QTimer* Timer1 = nullptr;
    QPushButton* PBHelp = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTextEdit* Text3 = nullptr;
    QPushButton* PBClose = nullptr;
    QPushButton* PBExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void chooseBackupFile();
    void chooseRestoreFile();
    void setBusy(bool busy);
    QString databasePath() const;

    Context m_context;
    MainWindowLock m_mainLock;
    bool m_busy = false;
};

} // namespace morvalen
