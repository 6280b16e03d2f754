#include "views/KeyFilter.h"

#include <QKeyEvent>

namespace morvalen {

using namespace Qt::StringLiterals;

KeyFilter::KeyFilter(QString allowed, QObject* parent, std::function<void()> onRejected)
    : QObject(parent)
    , m_allowed(std::move(allowed))
    , m_onRejected(std::move(onRejected)) {}

KeyFilter* KeyFilter::digitsOnly(QObject* widget, std::function<void()> onRejected) {
    auto* filter = new KeyFilter(u"0123456789"_s, widget, std::move(onRejected));
    widget->installEventFilter(filter);
    return filter;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    QString text = key->text();
    if (key->key() == Qt::Key_Backspace && text.isEmpty()) {
        text = QString(QChar(8));
    }
    // Shortcuts such as copy and select-all type no character worth filtering.
    if (text.isEmpty() || (key->modifiers() & Qt::ControlModifier)) {
        return false;
    }
    for (const QChar c : text) {
        if (!m_allowed.contains(c)) {
            if (m_onRejected) {
                m_onRejected();
            }
            return true;
        }
    }
    return false;
}

} // namespace morvalen
