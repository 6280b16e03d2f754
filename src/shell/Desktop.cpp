#include "shell/Desktop.h"

#include <QDesktopServices>

namespace morvalen {

namespace {

std::function<bool(const QUrl&)>& Opener() {
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

} // namespace

bool Desktop::openUrl(const QUrl& url) {
    if (Opener()) {
        return Opener()(url);
    }
    return QDesktopServices::openUrl(url);
}

void Desktop::setOpenerForTests(std::function<bool(const QUrl&)> opener) {
    Opener() = std::move(opener);
}

} // namespace morvalen
