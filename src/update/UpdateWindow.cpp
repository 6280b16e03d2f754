#include "update/UpdateWindow.h"

#include "shell/MessageBox.h"
#include "update/DownloadWindow.h"
#include "update/InternetConnect.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

UpdateWindow::UpdateWindow(const Context& context, QWidget* mainWindow, std::function<void()> quit)
    : m_context(context)
    , m_mainLock(mainWindow)
    , m_quit(std::move(quit)) {
    setObjectName(u"UpdateWindow"_s);
    m_mainLock.releaseWhenFinished(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(VersionCaption());

    m_versionLabel = new QLabel(VersionCaption(), this);
    m_versionLabel->setObjectName(u"versionLabel"_s);
    QFont title = m_versionLabel->font();
    title.setPointSize(16);
    title.setBold(true);
    m_versionLabel->setFont(title);
    m_versionLabel->setAlignment(Qt::AlignCenter);
    m_instructionsLabel = new QLabel(
        u"جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کرده و سپس روي دکمه بررسي آپديت جديد کليک کنيد"_s,
        this);
    m_instructionsLabel->setObjectName(u"instructionsLabel"_s);
    m_instructionsLabel->setWordWrap(true);
    m_checkButton = new QPushButton(u"بررسي آپديت جديد"_s, this);
    m_checkButton->setObjectName(u"checkButton"_s);
    m_checkButton->setDefault(true);
    m_closeButton = new QPushButton(u"بستن"_s, this);
    m_closeButton->setObjectName(u"closeButton"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_checkButton);
    buttons->addWidget(m_closeButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(14);
    layout->addWidget(m_versionLabel);
    layout->addWidget(m_instructionsLabel);
    layout->addLayout(buttons);
    setFixedWidth(420);
    move(7085 / 15, 2745 / 15);

    connect(m_checkButton, &QPushButton::clicked, this, &UpdateWindow::checkForUpdate);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
}

UpdateWindow::~UpdateWindow() {
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
    }
}

void UpdateWindow::checkForUpdate() {
    if (m_versionCheck) {
        return;
    }
    if (!IsConnected()) {
        MessageBox::information(this, u"پيام"_s, u"ارتباط شما با اينترنت برقرار نمي باشد "_s);
        returnToIdle();
        return;
    }
    setWindowTitle(u"Please wait..."_s);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
    // The window keeps answering while the server is asked; a second click waits for this one.
    m_checkButton->setEnabled(false);
    m_versionCheck = new VersionCheck(this);
    connect(m_versionCheck, &VersionCheck::finished, this,
            [this](VersionCheck::Outcome outcome, double) { actOnOutcome(static_cast<int>(outcome)); });
    m_versionCheck->start(VersionFileAddress(m_context), m_context.intervals.networkTimeoutMs, OwnVersion());
}

void UpdateWindow::actOnOutcome(int outcome) {
    m_versionCheck->deleteLater();
    m_versionCheck = nullptr;
    switch (static_cast<VersionCheck::Outcome>(outcome)) {
    case VersionCheck::Outcome::Newer: {
        returnToIdle();
        // The download window takes the main window over from this one.
        QWidget* main = m_mainLock.window();
        m_mainLock.lock(nullptr);
        close();
        (new DownloadWindow(m_context, main, m_quit))->show();
        return;
    }
    case VersionCheck::Outcome::NotNewer:
        returnToIdle();
        MessageBox::information(this, u"پيام"_s, u"شما آخرين ورژن نرم افزار را داريد  "_s);
        return;
    case VersionCheck::Outcome::Failed:
        returnToIdle();
        MessageBox::warning(
            this, u"پيام"_s,
            u"ارتباط با سرور بروزرساني برقرار نشد. لطفا اتصال به اينترنت را بررسي کرده و دوباره امتحان کنيد"_s);
        return;
    }
}

void UpdateWindow::returnToIdle() {
    setWindowTitle(VersionCaption());
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
    m_checkButton->setEnabled(true);
}

} // namespace morvalen
