#include "shell/ExitQuestion.h"

#include "shell/MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

ExitQuestion::ExitQuestion(const Context& context, std::shared_ptr<MainServices> services)
    : m_context(context)
    , m_services(std::move(services)) {
    setObjectName(u"ExitQuestion"_s);
    setWindowTitle(u"Morvalen"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(u"آيا قصد خروج از برنامه را داريد؟"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setAlignment(Qt::AlignCenter);
    QFont big = Label1->font();
    big.setPointSize(14);
    big.setBold(true);
    Label1->setFont(big);
    PushB1 = new QPushButton(u"بلي"_s, this);
    PushB1->setObjectName(u"PushB1"_s);
    PushButton1 = new QPushButton(u"خير"_s, this);
    PushButton1->setObjectName(u"PushButton1"_s);
    PushButton1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PushB1);
    buttons->addWidget(PushButton1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(16);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(PushB1, &QPushButton::clicked, this, [this] {
        m_answered = true;
        // Nothing is saved here: every change was committed when it was made.
        if (m_services->quit) {
            m_services->quit();
        } else {
            QCoreApplication::exit(0);
        }
    });
    connect(PushButton1, &QPushButton::clicked, this, &ExitQuestion::stay);
}

void ExitQuestion::stay() {
    if (m_answered) {
        return;
    }
    m_answered = true;
    // A fresh main window goes through the whole start-up again.
    MainWindow::ShowMain(m_context, m_services);
    close();
}

void ExitQuestion::closeEvent(QCloseEvent* event) {
    // Closing the question by its frame is taken as "خير": leaving must be asked for.
    stay();
    event->accept();
}

} // namespace morvalen
