#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QValidator;

namespace morvalen {

// Lets through only key presses whose character is one of the allowed ones. It judges
// characters, not keys: Tab, Shift+Tab, Delete, Escape, the arrows, Home and End pass
// whatever text the window system attaches to them ("\t", "\x7f", "\x1b"). Backspace and
// Enter count as the characters "\b" and "\r", so they pass only when allowed. A Persian or
// Arabic-Indic digit counts as its ASCII digit and reaches the field as that digit. A rejected
// key runs onRejected.
class KeyFilter : public QObject {
    Q_OBJECT

public:
    KeyFilter(QString allowed, QObject* parent, std::function<void()> onRejected = {});

    // Installs a filter of the digits on the widget; the filter belongs to the widget.
    static KeyFilter* digitsOnly(QObject* widget, std::function<void()> onRejected = {});
    // The same, letting the extra characters given pass too ("\b\r": Backspace and Enter).
    static KeyFilter* digitsOnly(QObject* widget, const QString& alsoAllowed,
                                 std::function<void()> onRejected);

    // The text with every Persian and Arabic-Indic digit written as its ASCII digit.
    static QString withAsciiDigits(QString text);

    // A validator for pasted text: Persian and Arabic-Indic digits become ASCII ones; with
    // digitsOnly, text holding anything but digits is refused whole.
    static QValidator* asciiDigitsValidator(QObject* parent, bool digitsOnly);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_allowed;
    std::function<void()> m_onRejected;
};

} // namespace morvalen
