#include "update/Installer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#endif

namespace morvalen {

namespace {

std::function<bool(const QString&)>& Starter() {
    static std::function<bool(const QString&)> starter;
    return starter;
}

} // namespace

bool Installer::Start(const QString& path) {
    if (Starter()) {
        return Starter()(path);
    }
    const QFileInfo file(path);
    if (!file.isFile()) {
        return false;
    }
#ifdef Q_OS_WIN
    // The shell runs it as a double click would, asking for elevation when the installer needs
    // it, in a minimised window.
    const std::wstring program = QDir::toNativeSeparators(file.absoluteFilePath()).toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(file.absolutePath()).toStdWString();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, folder.c_str(), SW_SHOWMINIMIZED));
    return result > 32;
#else
    return QProcess::startDetached(file.absoluteFilePath(), {}, file.absolutePath());
#endif
}

void Installer::setStarterForTests(std::function<bool(const QString&)> starter) {
    Starter() = std::move(starter);
}

} // namespace morvalen
