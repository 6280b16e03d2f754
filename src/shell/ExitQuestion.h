#pragma once

#include "shell/Context.h"

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace morvalen {

struct MainServices;

// The exit question, shown when the main window closes: "بلي" ends the program at once,
// "خير" builds the main window anew.
class ExitQuestion : public QWidget {
    Q_OBJECT

public:
    ExitQuestion(const Context& context, std::shared_ptr<MainServices> services);

    QLabel* m_questionLabel = nullptr;
    QPushButton* m_yesButton = nullptr; // "بلي"
    QPushButton* m_noButton = nullptr;  // "خير"

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void stay();

    Context m_context;
    std::shared_ptr<MainServices> m_services;
    bool m_answered = false;
};

} // namespace morvalen
