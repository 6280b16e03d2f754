#include "views/KeyFilter.h"

#include "core/NumberText.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QValidator>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The ASCII digit for a digit of any of the three digit sets; the character itself otherwise.
QChar AsAscii(QChar c) {
    const char digit = AsciiDigit(c.unicode());
    return digit != 0 ? QChar(QLatin1Char(digit)) : c;
}

class AsciiDigitsValidator : public QValidator {
public:
    AsciiDigitsValidator(QObject* parent, bool digitsOnly) : QValidator(parent), m_digitsOnly(digitsOnly) {}

    // Rewrites the digits in place; a line edit takes the rewritten text.
    State validate(QString& input, int&) const override {
        input = KeyFilter::withAsciiDigits(input);
        if (m_digitsOnly) {
            for (const QChar c : input) {
                if (c < u'0' || c > u'9') {
                    return Invalid;
                }
            }
        }
        return Acceptable;
    }

private:
    bool m_digitsOnly;
};

} // namespace

KeyFilter::KeyFilter(QString allowed, QObject* parent, std::function<void()> onRejected)
    : QObject(parent)
    , m_allowed(std::move(allowed))
    , m_onRejected(std::move(onRejected)) {}

KeyFilter* KeyFilter::digitsOnly(QObject* widget, std::function<void()> onRejected) {
    return digitsOnly(widget, QString(), std::move(onRejected));
}

KeyFilter* KeyFilter::digitsOnly(QObject* widget, const QString& alsoAllowed,
                                 std::function<void()> onRejected) {
    auto* filter = new KeyFilter(u"0123456789"_s + alsoAllowed, widget, std::move(onRejected));
    widget->installEventFilter(filter);
    return filter;
}

QString KeyFilter::withAsciiDigits(QString text) {
    for (QChar& c : text) {
        c = AsAscii(c);
    }
    return text;
}

QValidator* KeyFilter::asciiDigitsValidator(QObject* parent, bool digitsOnly) {
    return new AsciiDigitsValidator(parent, digitsOnly);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts such as copy, paste and select-all type no character worth filtering.
    if (key->modifiers() & Qt::ControlModifier) {
        return false;
    }
    // The characters this key types. Backspace and Enter count as the characters "\b" and
    // "\r", refused unless allowed; the control codes X gives Tab, Delete and Escape are no
    // characters, so those keys pass.
    QString typed;
    bool rewritten = false;
    if (key->key() == Qt::Key_Backspace) {
        typed = u"\b"_s;
    } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        typed = u"\r"_s;
    } else {
        for (const QChar c : key->text()) {
            if (c.category() != QChar::Other_Control) {
                typed += AsAscii(c);
                rewritten = rewritten || typed.back() != c;
            }
        }
    }
    if (typed.isEmpty()) {
        return false;
    }
    for (const QChar c : typed) {
        if (!m_allowed.contains(c)) {
            if (m_onRejected) {
                m_onRejected();
            }
            return true;
        }
    }
    if (rewritten) {
        // A Persian or Arabic-Indic digit: the field gets the ASCII digit instead, so it shows
        // and stores ASCII.
        const QChar first = typed.front();
        const int code = typed.size() == 1 && first >= u'0' && first <= u'9'
                             ? Qt::Key_0 + (first.unicode() - u'0')
                             : Qt::Key_unknown;
        QKeyEvent ascii(QEvent::KeyPress, code, key->modifiers(), typed, key->isAutoRepeat(),
                        static_cast<quint16>(key->count()));
        QCoreApplication::sendEvent(watched, &ascii);
        return true;
    }
    return false;
}

} // namespace morvalen
