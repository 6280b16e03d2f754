#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace morvalen {

// Lets through only key presses whose character is one of the allowed ones; keys that
// type no character (arrows, Delete, Tab) are not touched. Backspace types a character of
// its own, so it passes only when allowed too. A rejected key runs onRejected.
class KeyFilter : public QObject {
    Q_OBJECT

public:
    KeyFilter(QString allowed, QObject* parent, std::function<void()> onRejected = {});

    // Installs a filter of ASCII digits on the widget; the filter belongs to the widget.
    static KeyFilter* digitsOnly(QObject* widget, std::function<void()> onRejected = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_allowed;
    std::function<void()> m_onRejected;
};

} // namespace morvalen
