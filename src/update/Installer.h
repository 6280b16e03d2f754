#pragma once

#include <QString>

#include <functional>

namespace morvalen {

// Starts a downloaded installer, minimised, and returns whether it started. Tests put a
// starter of their own in its place, so nothing runs.
class Installer {
public:
    static bool Start(const QString& path);

    static void setStarterForTests(std::function<bool(const QString&)> starter);
};

} // namespace morvalen
