#include "update/DownloadWindow.h"

#include "core/MakerSite.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "update/FileDownloader.h"
#include "update/Installer.h"
#include "update/VersionCheck.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kBarTwipsPerPercent = 67;
const QString kDownload = u"دانلود"_s;
const QString kCancel = u"انصراف"_s;

} // namespace

QString DownloadWindow::GetFileName(const QString& address) {
    if (address.size() < 2) {
        return {};
    }
    // Either scheme, in any letter case; only the file name after the host counts.
    qsizetype schemeLength = 0;
    if (address.startsWith(u"http://"_s, Qt::CaseInsensitive)) {
        schemeLength = 7;
    } else if (address.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        schemeLength = 8;
    } else {
        return {};
    }
    if (address.size() == schemeLength) {
        return {};
    }
    const qsizetype slash = address.lastIndexOf(u'/', address.size() - 2);
    if (slash < schemeLength) {
        return {};
    }
    const QString name = address.mid(slash + 1);
    if (name.lastIndexOf(u'.', name.size() - 2) < 0) {
        return {};
    }
    // A name must stay inside the program folder.
    if (name.contains(u'/') || name.contains(u'\\') || name == u".."_s) {
        return {};
    }
    return name;
}

DownloadWindow::DownloadWindow(const Context& context, QWidget* mainWindow, std::function<void()> quit)
    : m_context(context)
    , m_mainLock(mainWindow)
    , m_quit(std::move(quit)) {
    setObjectName(u"DownloadWindow"_s);
    m_mainLock.releaseWhenFinished(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(u"Downloading File ... "_s);
    setFixedSize(8400 / kTwipsPerPixel, 3495 / kTwipsPerPixel);
    move(2475 / kTwipsPerPixel, 2620 / kTwipsPerPixel);

    // The banner: product name and the maker's contact lines.
    auto* Picture1 = new QFrame(this);
    Picture1->setObjectName(u"Picture1"_s);
    Picture1->setAutoFillBackground(true);
    Picture1->setStyleSheet(
        u"#Picture1 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1e781e, stop:1 #468246); }"
        " QLabel { color: white; }"_s);
    Label3 = new QLabel(u"Morvalen"_s, Picture1);
    Label3->setObjectName(u"Label3"_s);
    QFont product(u"Cooper Black"_s);
    product.setPointSize(22);
    Label3->setFont(product);
    const QString domain = QString::fromLatin1(kMakerDomain);
    Label2[0] = new QLabel(u"ايميل: "_s + QChar(0x2066) + u"info@"_s + domain + QChar(0x2069), Picture1);
    Label2[1] =
        new QLabel(u"سايت: "_s + QChar(0x2066) + QString::fromLatin1(kMakerSite) + QChar(0x2069), Picture1);
    auto* contacts = new QVBoxLayout;
    for (int i = 0; i < 2; ++i) {
        Label2[i]->setObjectName(u"Label2_%1"_s.arg(i));
        contacts->addWidget(Label2[i]);
    }
    auto* banner = new QHBoxLayout(Picture1);
    banner->addWidget(Label3);
    banner->addStretch();
    banner->addLayout(contacts);

    Label1 = new QLabel(u"Address File :"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->hide();
    Text = new QLineEdit(InstallerAddress(context).toString(), this);
    Text->setObjectName(u"Text"_s);
    Text->hide();

    // The bar is 6700 twips at 100 percent; its frame holds it with a pixel to spare each side.
    Pic1 = new QFrame(this);
    Pic1->setObjectName(u"Pic1"_s);
    Pic1->setFrameShape(QFrame::Box);
    Pic1->setFixedSize(100 * kBarTwipsPerPercent / kTwipsPerPixel + 2, 22);
    I1 = new QFrame(Pic1);
    I1->setObjectName(u"I1"_s);
    I1->setAutoFillBackground(true);
    I1->setStyleSheet(u"background: #2e8b2e;"_s);
    Label4 = new QLabel(u"0%"_s, this);
    Label4->setObjectName(u"Label4"_s);
    Label4->setMinimumWidth(48);

    PushButton2 = new QPushButton(kDownload, this);
    PushButton2->setObjectName(u"PushButton2"_s);
    PushButton2->setDefault(true);
    PushButton1 = new QPushButton(u"خروج"_s, this);
    PushButton1->setObjectName(u"PushButton1"_s);

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(Pic1);
    bar->addWidget(Label4);
    bar->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PushButton2);
    buttons->addWidget(PushButton1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(Picture1);
    layout->addStretch();
    layout->addLayout(bar);
    layout->addStretch();
    layout->addLayout(buttons);

    downloader = new FileDownloader(this);
    downloader->setTransferTimeout(context.intervals.networkTimeoutMs);
    connect(downloader, &FileDownloader::DownloadProgress, this, &DownloadWindow::onProgress);
    connect(downloader, &FileDownloader::DownloadErrors, this, &DownloadWindow::onError);
    connect(downloader, &FileDownloader::DowloadComplete, this, &DownloadWindow::onComplete);
    connect(downloader, &FileDownloader::Finished, this, [this](bool) {
        // Cancelled or failed: back to idle, ready to try again.
        PushButton2->setText(kDownload);
    });
    connect(PushButton2, &QPushButton::clicked, this, &DownloadWindow::onButton);
    connect(PushButton1, &QPushButton::clicked, this, &QDialog::close);
    placeBar();
}

DownloadWindow::~DownloadWindow() = default;

QString DownloadWindow::destination() const {
    return m_context.file(GetFileName(Text->text()));
}

void DownloadWindow::onButton() {
    if (PushButton2->text() == kDownload) {
        PushButton2->setText(kCancel);
        m_percent = 0;
        placeBar();
        downloader->Start(Text->text(), destination());
    } else {
        downloader->Cancel();
        PushButton2->setText(kDownload);
    }
}

void DownloadWindow::onProgress(const QString& percent) {
    m_percent = std::clamp(percent.toInt(), 0, 100);
    Label4->setText(percent + u'%');
    placeBar();
}

void DownloadWindow::placeBar() {
    // The bar grows from the reading side: from the right in a right-to-left window.
    const int width = m_percent * kBarTwipsPerPercent / kTwipsPerPixel;
    const QRect inside(1, 1, width, Pic1->height() - 2);
    I1->setGeometry(QStyle::visualRect(layoutDirection(), Pic1->rect().adjusted(1, 1, -1, -1), inside));
    I1->setVisible(width > 0);
}

void DownloadWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeBar();
}

void DownloadWindow::onError(const QString& message) {
    MessageBox::critical(this, u"Error"_s, message);
    PushButton2->setText(kDownload);
    downloader->Cancel();
}

void DownloadWindow::onComplete() {
    MessageBox::information(this, u"Success"_s, u"دانلود فايل با موفقيت به پايان رسيد "_s);
    PushButton2->setText(kDownload);
    const QString installer = destination();
    if (!Installer::Start(installer)) {
        // The program stays: the clinic can run the downloaded installer by hand.
        MessageBox::critical(this, u"خطا"_s,
                             u"برنامه نصب اجرا نشد. لطفا فايل زير را خودتان اجرا کنيد:"_s + u"\r\n"_s +
                                 QDir::toNativeSeparators(installer));
        return;
    }
    if (m_quit) {
        m_quit();
    } else {
        QCoreApplication::exit(0);
    }
}

void DownloadWindow::closeEvent(QCloseEvent* event) {
    // A transfer still running is stopped first, so no partial installer is left behind.
    if (downloader->isRunning()) {
        downloader->Cancel();
    }
    m_mainLock.release();
    QDialog::closeEvent(event);
}

} // namespace morvalen
