#pragma once

#include "shell/Context.h"
#include "update/VersionCheck.h"
#include "views/MainWindowLock.h"

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvalen {

class FileDownloader;
class VersionCheck;

// The installer download: progress bar, download and cancel, and on success the installer
// starts and the program ends so it can be replaced. The installer's size and SHA-256 are
// read from the version file first; a download that matches neither is deleted, never started.
class DownloadWindow : public QDialog {
    Q_OBJECT

public:
    // quit ends the program without running any window's closing steps; unset, the
    // application's event loop is left.
    DownloadWindow(const Context& context, QWidget* mainWindow, std::function<void()> quit = {});
    ~DownloadWindow() override;

    // The file name at the end of a web address ("setup-Morvalen.exe"); empty when the address
    // is not http or https or names no file.
    static QString GetFileName(const QString& address);

    // Where the download goes: the program folder and the address's file name.
    QString destination() const;

    QPushButton* m_downloadButton = nullptr; // "دانلود", while downloading "انصراف"
    QPushButton* m_exitButton = nullptr;     // "خروج"
    QFrame* m_progressPanel = nullptr;       // the bar's frame
    QFrame* m_progressBar = nullptr;         // the bar, as wide as the percent
    QLabel* m_percentLabel = nullptr;        // the percent
    QLabel* m_productLabel = nullptr;        // "Morvalen"
    QLabel* m_emailLabel = nullptr;          // the maker's e-mail
    QLabel* m_siteLabel = nullptr;           // the maker's site
    QLabel* m_addressLabel = nullptr;        // "Address File :", hidden
    QLineEdit* m_addressEdit = nullptr;      // the installer's address, hidden
    FileDownloader* m_downloader = nullptr;
    VersionCheck* m_installerCheck = nullptr; // reads the installer's published size and hash

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startOrCancelDownload();
    void downloadPublishedInstaller();
    // Empty when the downloaded file is the published installer; otherwise why it is not.
    QString installerProblem(const QString& path) const;
    void showProgress(const QString& percent);
    void showError(const QString& message);
    void startInstaller();
    void placeBar();

    Context m_context;
    MainWindowLock m_mainLock;
    std::function<void()> m_quit;
    int m_percent = 0;
    bool m_askingForInstaller = false; // the version file is being read before the download
};

} // namespace morvalen
