#pragma once

#include <QString>
#include <QVector>

#include <optional>

class QWidget;

namespace morvalen {

// Every text prompt of the program goes through here (the server's password at start-up and
// in the settings). Tests queue answers so no prompt waits for typing, and read back what
// was asked.
class InputDialog {
public:
    // The typed text, or nullopt when the prompt was cancelled. A password prompt shows dots
    // for what is typed.
    static std::optional<QString> getPassword(QWidget* parent, const QString& title, const QString& label);

    struct Record {
        QString title;
        QString label;
    };
    // Test hooks: a queued answer (nullopt for Cancel) answers the next prompt without showing it.
    static void setNextText(const std::optional<QString>& text);
    static void clearNextTexts();
    static const QVector<Record>& shown();
    static void clearShown();
};

} // namespace morvalen
