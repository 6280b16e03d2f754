#pragma once

#include <QUrl>
#include <QVector>

#include <functional>

namespace morvalen {

// Hands an address to the system (its web browser or messaging program). Tests put an
// opener of their own in its place, so no browser starts.
class Desktop {
public:
    static bool openUrl(const QUrl& url);

    static void setOpenerForTests(std::function<bool(const QUrl&)> opener);
};

} // namespace morvalen
