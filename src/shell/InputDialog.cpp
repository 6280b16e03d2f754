#include "shell/InputDialog.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QQueue>

namespace morvalen {

namespace {

struct Hooks {
    QQueue<std::optional<QString>> texts;
    QVector<InputDialog::Record> shown;
};

Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

} // namespace

std::optional<QString> InputDialog::getPassword(QWidget* parent, const QString& title, const QString& label) {
    Hooks& hooks = TheHooks();
    hooks.shown.append({title, label});
    if (!hooks.texts.isEmpty()) {
        return hooks.texts.dequeue();
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setLayoutDirection(Qt::RightToLeft);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

void InputDialog::setNextText(const std::optional<QString>& text) {
    TheHooks().texts.enqueue(text);
}

void InputDialog::clearNextTexts() {
    TheHooks().texts.clear();
}

const QVector<InputDialog::Record>& InputDialog::shown() {
    return TheHooks().shown;
}

void InputDialog::clearShown() {
    TheHooks().shown.clear();
}

} // namespace morvalen
