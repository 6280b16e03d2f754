#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QDialog>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvalen {

class FileDownloader;

// The installer download: progress bar, download and cancel, and on success the installer
// starts and the program ends so it can be replaced.
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

    QPushButton* PushButton2 = nullptr; // "دانلود", while downloading "انصراف"
    QPushButton* PushButton1 = nullptr; // "خروج"
    QFrame* Pic1 = nullptr;             // the bar's frame
    QFrame* I1 = nullptr;               // the bar
    QLabel* Label4 = nullptr;           // the percent
    QLabel* Label3 = nullptr;           // "Morvalen"
    std::array<QLabel*, 2> Label2{};    // the maker's e-mail and site
    QLabel* Label1 = nullptr;           // "Address File :", hidden
    QLineEdit* Text = nullptr;          // the installer's address, hidden
    FileDownloader* downloader = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onButton();
    void onProgress(const QString& percent);
    void onError(const QString& message);
    void onComplete();
    void placeBar();

    Context m_context;
    MainWindowLock m_mainLock;
    std::function<void()> m_quit;
    int m_percent = 0;
};

} // namespace morvalen
