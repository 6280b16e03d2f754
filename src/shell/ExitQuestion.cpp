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

    m_questionLabel = new QLabel(u"آيا قصد خروج از برنامه را داريد؟"_s, this);
    m_questionLabel->setObjectName(u"questionLabel"_s);
    m_questionLabel->setAlignment(Qt::AlignCenter);
    QFont big = m_questionLabel->font();
    big.setPointSize(14);
    big.setBold(true);
    m_questionLabel->setFont(big);
    m_yesButton = new QPushButton(u"بلي"_s, this);
    m_yesButton->setObjectName(u"yesButton"_s);
    m_noButton = new QPushButton(u"خير"_s, this);
    m_noButton->setObjectName(u"noButton"_s);
    m_noButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_yesButton);
    buttons->addWidget(m_noButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(16);
    layout->addWidget(m_questionLabel);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(m_yesButton, &QPushButton::clicked, this, [this] {
        m_answered = true;
        // Nothing is saved here: every change was committed when it was made.
        if (m_services->quit) {
            m_services->quit();
        } else {
            QCoreApplication::exit(0);
        }
    });
    connect(m_noButton, &QPushButton::clicked, this, &ExitQuestion::stay);
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
