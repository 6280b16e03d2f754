#include "shell/MessageBox.h"

#include <QQueue>

namespace morvalen {

namespace {

struct Hooks {
    QQueue<MessageBox::Button> answers;
    MessageBox::Button fallback = QMessageBox::NoButton;
    QVector<MessageBox::Record> shown;
};

Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

QMessageBox::Icon QtIcon(MessageBox::Icon icon) {
    switch (icon) {
    case MessageBox::Icon::None:
        return QMessageBox::NoIcon;
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Button MessageBox::show(QWidget* parent, Icon icon, const QString& title, const QString& text,
                                    Buttons buttons, Button defaultButton) {
    record({title, text, icon, buttons, false});
    Button answer = QMessageBox::NoButton;
    if (takeNextAnswer(&answer)) {
        return answer;
    }
    QMessageBox box(QtIcon(icon), title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(defaultButton);
    }
    return static_cast<Button>(box.exec());
}

MessageBox::Button MessageBox::information(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, Icon::Information, title, text);
}

MessageBox::Button MessageBox::warning(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, Icon::Warning, title, text);
}

MessageBox::Button MessageBox::critical(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, Icon::Critical, title, text);
}

MessageBox::Button MessageBox::question(QWidget* parent, const QString& title, const QString& text,
                                        Button defaultButton) {
    const Button answer =
        show(parent, Icon::Question, title, text, QMessageBox::Yes | QMessageBox::No, defaultButton);
    return answer == QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::No;
}

void MessageBox::setNextAnswer(Button answer) {
    TheHooks().answers.enqueue(answer);
}

void MessageBox::clearNextAnswers() {
    TheHooks().answers.clear();
}

void MessageBox::setFallbackAnswer(Button answer) {
    TheHooks().fallback = answer;
}

bool MessageBox::takeNextAnswer(Button* answer) {
    Hooks& hooks = TheHooks();
    if (hooks.answers.isEmpty()) {
        if (hooks.fallback == QMessageBox::NoButton) {
            return false;
        }
        *answer = hooks.fallback;
        return true;
    }
    *answer = hooks.answers.dequeue();
    return true;
}

void MessageBox::record(const Record& record) {
    TheHooks().shown.append(record);
}

const QVector<MessageBox::Record>& MessageBox::shown() {
    return TheHooks().shown;
}

void MessageBox::clearShown() {
    TheHooks().shown.clear();
}

} // namespace morvalen
