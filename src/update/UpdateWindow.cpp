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

    Label1 = new QLabel(VersionCaption(), this);
    Label1->setObjectName(u"Label1"_s);
    QFont title = Label1->font();
    title.setPointSize(16);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(
        u"جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کرده و سپس روي دکمه بررسي آپديت جديد کليک کنيد"_s,
        this);
    Label2->setObjectName(u"Label2"_s);
    Label2->setWordWrap(true);
    PBCheck = new QPushButton(u"بررسي آپديت جديد"_s, this);
    PBCheck->setObjectName(u"PBCheck"_s);
    PBCheck->setDefault(true);
    PBExit = new QPushButton(u"بستن"_s, this);
    PBExit->setObjectName(u"PBExit"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PBCheck);
    buttons->addWidget(PBExit);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(14);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
    setFixedWidth(420);
    move(7085 / 15, 2745 / 15);

    connect(PBCheck, &QPushButton::clicked, this, &UpdateWindow::check);
    connect(PBExit, &QPushButton::clicked, this, &QDialog::close);
}

UpdateWindow::~UpdateWindow() {
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
    }
}

void UpdateWindow::check() {
    if (m_check) {
        return;
    }
    if (!IsConnected()) {
        MessageBox::information(this, u"پيام"_s, u"ارتباط شما با اينترنت برقرار نمي باشد "_s);
        idle();
        return;
    }
    setWindowTitle(u"Please wait..."_s);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
    // The window keeps answering while the server is asked; a second click waits for this one.
    PBCheck->setEnabled(false);
    m_check = new VersionCheck(this);
    connect(m_check, &VersionCheck::Finished, this,
            [this](VersionCheck::Outcome outcome, double) { checked(static_cast<int>(outcome)); });
    m_check->Start(VersionFileAddress(m_context), m_context.intervals.networkTimeoutMs, OwnVersion());
}

void UpdateWindow::checked(int outcome) {
    m_check->deleteLater();
    m_check = nullptr;
    switch (static_cast<VersionCheck::Outcome>(outcome)) {
    case VersionCheck::Outcome::Newer: {
        idle();
        // The download window takes the main window over from this one.
        QWidget* main = m_mainLock.window();
        m_mainLock.lock(nullptr);
        close();
        (new DownloadWindow(m_context, main, m_quit))->show();
        return;
    }
    case VersionCheck::Outcome::NotNewer:
        idle();
        MessageBox::information(this, u"پيام"_s, u"شما آخرين ورژن نرم افزار را داريد  "_s);
        return;
    case VersionCheck::Outcome::Failed:
        idle();
        MessageBox::warning(
            this, u"پيام"_s,
            u"ارتباط با سرور بروزرساني برقرار نشد. لطفا اتصال به اينترنت را بررسي کرده و دوباره امتحان کنيد"_s);
        return;
    }
}

void UpdateWindow::idle() {
    setWindowTitle(VersionCaption());
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
    PBCheck->setEnabled(true);
}

} // namespace morvalen
