#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include <QString>

#include <optional>

namespace morvalen {

// The settings row: the first row of Theme.
struct Settings {
    QString theme;        // TH, the visual theme number 1 to 23
    QString name;         // Name, the clinic name
    QString address;      // Adresse
    QString email;        // E-Mail
    QString telegram;     // Telegram
    QString instagram;    // Insta
    QString web;          // Web
    QString twitter;      // Twitter
    QString facebook;     // Facebook
    QString tel;          // Tel
    QString contactBlock; // Mosch, the non-empty contact fields one per line
    QString logo;         // Logo, "1" to print the clinic logo, "0" not
};

class SettingsStore {
public:
    explicit SettingsStore(Database& db);

    // Nothing when the table has no row.
    std::optional<Settings> read();
    // Rewrites the first row; the table's rows are never added or removed.
    bool write(const Settings& settings);

private:
    PreparedQuery m_read;
    PreparedQuery m_write;
};

} // namespace morvalen
