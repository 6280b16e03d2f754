#pragma once

#include <QString>

class QWidget;

namespace morvalen {

// A short confirmation titled "پيام" with one OK button, modal to its owner, that closes
// itself as if OK were pressed after closeAfterMs unless the user closed it first. Returns
// when the box has closed. Each box has its own timer, so the timer only ever closes the
// box that started it.
void ShowTimedMessage(QWidget* owner, const QString& text, int closeAfterMs = 1000);

} // namespace morvalen
