#pragma once

#include <QMessageBox>
#include <QString>
#include <QVector>

class QWidget;

namespace morvalen {

// Every message box of the program goes through here. Tests queue answers so no box waits
// for a click, and read back what was shown to check the exact Persian text.
class MessageBox {
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;
    enum class Icon { None, Information, Warning, Critical, Question };

    struct Record {
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons;
        bool timed = false; // a self-closing box
    };

    static Button show(QWidget* parent, Icon icon, const QString& title, const QString& text,
                       Buttons buttons = QMessageBox::Ok, Button defaultButton = QMessageBox::NoButton);
    static Button information(QWidget* parent, const QString& title, const QString& text);
    static Button warning(QWidget* parent, const QString& title, const QString& text);
    static Button critical(QWidget* parent, const QString& title, const QString& text);
    // Yes and No; the answer is one of them (closing the box counts as No).
    static Button question(QWidget* parent, const QString& title, const QString& text,
                           Button defaultButton = QMessageBox::Yes);

    // Test hooks. A queued answer is taken by the next box, which is then not shown.
    static void setNextAnswer(Button answer);
    static void clearNextAnswers();
    // With no queued answer, answer every box with this one instead of showing it;
    // NoButton (the default) shows the boxes again.
    static void setFallbackAnswer(Button answer);
    static bool takeNextAnswer(Button* answer);
    static void record(const Record& record);
    static const QVector<Record>& shown();
    static void clearShown();
};

} // namespace morvalen
