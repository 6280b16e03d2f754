#include "shell/TimedMessage.h"

#include "shell/MessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

namespace morvalen {

using namespace Qt::StringLiterals;

void ShowTimedMessage(QWidget* owner, const QString& text, int closeAfterMs) {
    const QString title = u"پيام"_s;
    MessageBox::record({title, text, MessageBox::Icon::None, QMessageBox::Ok, true});
    MessageBox::Button answer = QMessageBox::NoButton;
    if (MessageBox::takeNextAnswer(&answer)) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.setObjectName(u"TimedMessageBox"_s);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    // The timer belongs to this box: it dies with it and can reach no other window.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &box, [&box] {
        if (QAbstractButton* ok = box.button(QMessageBox::Ok)) {
            ok->click();
        }
    });
    timer.start(closeAfterMs);
    box.exec();
}

} // namespace morvalen
