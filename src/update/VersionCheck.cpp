#include "update/VersionCheck.h"

#include "core/VersionNumber.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVersionNumber>

#include <algorithm>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The number is at the start of the text; more than this is no version file.
constexpr qint64 kMaxBody = 4096;

QVersionNumber ApplicationVersion() {
    return QVersionNumber::fromString(QCoreApplication::applicationVersion());
}

} // namespace

PublishedInstaller ReadPublishedInstaller(const QByteArray& versionFile) {
    PublishedInstaller installer;
    // The first line is the number; the lines after it are "name=value".
    const QList<QByteArray> lines = versionFile.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0) {
            continue;
        }
        const QByteArray name = line.left(equals).trimmed().toLower();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (name == "installer-size") {
            bool ok = false;
            const qint64 size = value.toLongLong(&ok);
            if (ok && size >= 0) {
                installer.size = size;
            }
        } else if (name == "installer-sha256") {
            const QByteArray hex = value.toLower();
            const bool isHex = std::all_of(hex.begin(), hex.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            });
            if (hex.size() == 64 && isHex) {
                installer.sha256 = hex;
            }
        }
    }
    return installer;
}

QUrl VersionFileAddress(const Context& context) {
    return context.updateBaseUrl.resolved(QUrl(u"/Soft/Morvalen/2022/LastVersion.txt"_s));
}

QUrl InstallerAddress(const Context& context) {
    return context.updateBaseUrl.resolved(QUrl(u"/Soft/Morvalen/2022/setup-Morvalen.exe"_s));
}

double OwnVersion() {
    const QVersionNumber version = ApplicationVersion();
    return OwnVersionNumber(version.majorVersion(), version.minorVersion());
}

QString VersionCaption() {
    const QVersionNumber version = ApplicationVersion();
    return QCoreApplication::applicationName() + u' ' + QString::number(version.majorVersion()) + u'.' +
           QString::number(version.minorVersion());
}

VersionCheck::VersionCheck(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

VersionCheck::~VersionCheck() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void VersionCheck::start(const QUrl& address, int timeoutMs, double ownVersion) {
    if (m_reply) {
        return;
    }
    m_ownVersion = ownVersion;
    m_body.clear();
    m_installer = {};
    QNetworkRequest request(address);
    request.setTransferTimeout(timeoutMs);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        m_body += m_reply->read(kMaxBody - m_body.size());
        if (m_body.size() >= kMaxBody) {
            // Enough to read the number from; the rest is not needed.
            m_reply->disconnect(this);
            onFinished();
        }
    });
    connect(m_reply, &QNetworkReply::finished, this, &VersionCheck::onFinished);
}

void VersionCheck::onFinished() {
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    // An error status is a failed check, not a version: its page would read as 0.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool cut = m_body.size() >= kMaxBody;
    const bool failed = status >= 400 || (!cut && reply->error() != QNetworkReply::NoError);
    if (!failed && !cut) {
        m_body += reply->read(kMaxBody - m_body.size());
    }
    if (!reply->isFinished()) {
        reply->abort();
    }
    reply->deleteLater();
    if (failed) {
        emit finished(Outcome::Failed, 0);
        return;
    }
    m_installer = ReadPublishedInstaller(m_body);
    const double server = ReadVersionNumber(std::string_view(m_body.constData(), m_body.size()));
    emit finished(IsNewerVersion(server, m_ownVersion) ? Outcome::Newer : Outcome::NotNewer, server);
}

} // namespace morvalen
