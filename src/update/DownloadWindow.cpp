#include "update/DownloadWindow.h"

#include "core/MakerSite.h"
#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "update/FileDownloader.h"
#include "update/Installer.h"
#include "update/VersionCheck.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
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
    auto* bannerPanel = new QFrame(this);
    bannerPanel->setObjectName(u"bannerPanel"_s);
    bannerPanel->setAutoFillBackground(true);
    bannerPanel->setStyleSheet(u"#bannerPanel { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                               u"stop:0 #1e781e, stop:1 #468246); } QLabel { color: white; }"_s);
    m_productLabel = new QLabel(u"Morvalen"_s, bannerPanel);
    m_productLabel->setObjectName(u"productLabel"_s);
    QFont product(u"Cooper Black"_s);
    product.setPointSize(22);
    m_productLabel->setFont(product);
    const QString domain = QString::fromLatin1(kMakerDomain);
    m_emailLabel =
        new QLabel(u"ايميل: "_s + QChar(0x2066) + u"info@"_s + domain + QChar(0x2069), bannerPanel);
    m_emailLabel->setObjectName(u"emailLabel"_s);
    m_siteLabel = new QLabel(u"سايت: "_s + QChar(0x2066) + QString::fromLatin1(kMakerSite) + QChar(0x2069),
                             bannerPanel);
    m_siteLabel->setObjectName(u"siteLabel"_s);
    auto* contacts = new QVBoxLayout;
    contacts->addWidget(m_emailLabel);
    contacts->addWidget(m_siteLabel);
    auto* banner = new QHBoxLayout(bannerPanel);
    banner->addWidget(m_productLabel);
    banner->addStretch();
    banner->addLayout(contacts);

    m_addressLabel = new QLabel(u"Address File :"_s, this);
    m_addressLabel->setObjectName(u"addressLabel"_s);
    m_addressLabel->hide();
    m_addressEdit = new QLineEdit(InstallerAddress(context).toString(), this);
    m_addressEdit->setObjectName(u"addressEdit"_s);
    m_addressEdit->hide();

    // The bar is 6700 twips at 100 percent; its frame holds it with a pixel to spare each side.
    m_progressPanel = new QFrame(this);
    m_progressPanel->setObjectName(u"progressPanel"_s);
    m_progressPanel->setFrameShape(QFrame::Box);
    m_progressPanel->setFixedSize(100 * kBarTwipsPerPercent / kTwipsPerPixel + 2, 22);
    m_progressBar = new QFrame(m_progressPanel);
    m_progressBar->setObjectName(u"progressBar"_s);
    m_progressBar->setAutoFillBackground(true);
    m_progressBar->setStyleSheet(u"background: #2e8b2e;"_s);
    m_percentLabel = new QLabel(u"0%"_s, this);
    m_percentLabel->setObjectName(u"percentLabel"_s);
    m_percentLabel->setMinimumWidth(48);

    m_downloadButton = new QPushButton(kDownload, this);
    m_downloadButton->setObjectName(u"downloadButton"_s);
    m_downloadButton->setDefault(true);
    m_exitButton = new QPushButton(u"خروج"_s, this);
    m_exitButton->setObjectName(u"exitButton"_s);

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(m_progressPanel);
    bar->addWidget(m_percentLabel);
    bar->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_downloadButton);
    buttons->addWidget(m_exitButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(bannerPanel);
    layout->addStretch();
    layout->addLayout(bar);
    layout->addStretch();
    layout->addLayout(buttons);

    m_downloader = new FileDownloader(this);
    m_downloader->setTransferTimeout(context.intervals.networkTimeoutMs);
    connect(m_downloader, &FileDownloader::progressChanged, this, &DownloadWindow::showProgress);
    connect(m_downloader, &FileDownloader::errorOccurred, this, &DownloadWindow::showError);
    connect(m_downloader, &FileDownloader::downloadCompleted, this, &DownloadWindow::startInstaller);
    connect(m_downloader, &FileDownloader::finished, this, [this](bool) {
        // Cancelled or failed: back to idle, ready to try again.
        m_downloadButton->setText(kDownload);
    });
    m_installerCheck = new VersionCheck(this);
    connect(m_installerCheck, &VersionCheck::finished, this, [this](VersionCheck::Outcome outcome, double) {
        if (!m_askingForInstaller) {
            return; // cancelled meanwhile
        }
        m_askingForInstaller = false;
        if (outcome == VersionCheck::Outcome::Failed || !m_installerCheck->installer().known()) {
            MessageBox::critical(this, u"Error"_s,
                                 u"مشخصات فايل نصب از سرور دريافت نشد و دانلود انجام نشد. لطفا بعدا دوباره "
                                 u"امتحان کنيد."_s);
            m_downloadButton->setText(kDownload);
            return;
        }
        downloadPublishedInstaller();
    });
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadWindow::startOrCancelDownload);
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::close);
    placeBar();
}

DownloadWindow::~DownloadWindow() = default;

QString DownloadWindow::destination() const {
    return m_context.file(GetFileName(m_addressEdit->text()));
}

void DownloadWindow::startOrCancelDownload() {
    if (m_downloadButton->text() == kDownload) {
        m_downloadButton->setText(kCancel);
        m_percent = 0;
        placeBar();
        // What the installer must be comes first, from the version file beside it.
        m_askingForInstaller = true;
        m_installerCheck->start(VersionFileAddress(m_context), m_context.intervals.networkTimeoutMs,
                                OwnVersion());
    } else {
        m_askingForInstaller = false;
        m_downloader->cancel();
        m_downloadButton->setText(kDownload);
    }
}

void DownloadWindow::downloadPublishedInstaller() {
    m_downloader->start(m_addressEdit->text(), destination());
}

QString DownloadWindow::installerProblem(const QString& path) const {
    const PublishedInstaller& expected = m_installerCheck->installer();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return file.errorString();
    }
    if (file.size() != expected.size) {
        return u"حجم فايل %1 بايت است و بايد %2 بايت باشد."_s.arg(file.size()).arg(expected.size);
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        return file.errorString();
    }
    if (hash.result().toHex() != expected.sha256) {
        return u"فايل با فايل منتشر شده يكي نيست (SHA-256)."_s;
    }
    return {};
}

void DownloadWindow::showProgress(const QString& percent) {
    m_percent = std::clamp(percent.toInt(), 0, 100);
    m_percentLabel->setText(percent + u'%');
    placeBar();
}

void DownloadWindow::placeBar() {
    // The bar grows from the reading side: from the right in a right-to-left window.
    const int width = m_percent * kBarTwipsPerPercent / kTwipsPerPixel;
    const QRect inside(1, 1, width, m_progressPanel->height() - 2);
    m_progressBar->setGeometry(
        QStyle::visualRect(layoutDirection(), m_progressPanel->rect().adjusted(1, 1, -1, -1), inside));
    m_progressBar->setVisible(width > 0);
}

void DownloadWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeBar();
}

void DownloadWindow::showError(const QString& message) {
    MessageBox::critical(this, u"Error"_s, message);
    m_downloadButton->setText(kDownload);
    m_downloader->cancel();
}

void DownloadWindow::startInstaller() {
    m_downloadButton->setText(kDownload);
    const QString installer = destination();
    // Only the very file the maker published is started: a page or a cut-off body that came
    // in its place is removed.
    const QString problem = installerProblem(installer);
    if (!problem.isEmpty()) {
        QFile::remove(installer);
        MessageBox::critical(this, u"خطا"_s,
                             u"فايل دانلود شده فايل نصب سالم برنامه نيست و اجرا نشد. فايل پاك شد؛ لطفا "
                             u"دوباره دانلود کنيد."_s +
                                 u"\r\n"_s + problem);
        return;
    }
    MessageBox::information(this, u"Success"_s, u"دانلود فايل با موفقيت به پايان رسيد "_s);
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
    if (m_downloader->isRunning()) {
        m_downloader->cancel();
    }
    m_mainLock.release();
    QDialog::closeEvent(event);
}

} // namespace morvalen
