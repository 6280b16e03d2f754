#include "shell/InputDialog.h"

#include <QApplication>
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
    // The prompt may come while a wait cursor is up: the user types with the usual pointer.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setLayoutDirection(Qt::RightToLeft);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
    if (!accepted) {
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
