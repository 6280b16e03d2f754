#include "update/FileDownloader.h"

#include "update/DiskSpace.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cmath>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Failures that mean no server answered at all.
bool NoConnection(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the transfer time-out
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

// The first line of the answer, as the server sent it.
QString StatusLine(QNetworkReply* reply, int status) {
    const bool http2 = reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
    QString line = (http2 ? u"HTTP/2 "_s : u"HTTP/1.1 "_s) + QString::number(status);
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (!reason.isEmpty()) {
        line += u' ' + reason;
    }
    return line;
}

} // namespace

FileDownloader::FileDownloader(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_freeSpace(FreeDiskSpace) {}

FileDownloader::~FileDownloader() {
    // A window closed mid-transfer takes its downloader with it: leave no partial file behind.
    if (m_running) {
        m_cancel = true;
        dropReply();
        m_file.reset(); // an uncommitted temporary file is removed
    }
}

void FileDownloader::start(const QString& address, const QString& destination, const QString& userName,
                           const QString& password) {
    if (m_running) {
        return;
    }
    ++m_generation;
    m_running = true;
    m_cancel = false;
    m_headersTaken = false;
    m_fileOpened = false;
    m_received = 0;
    m_expected = -1;
    m_address = address;
    m_destination = destination;
    m_file.reset();
    emit statusChanged(u"Getting file information"_s);

    QUrl url(address);
    // Only an encrypted transfer: over plain http anyone on the way could hand over a file of
    // their own, and the program would start it.
    if (!url.isValid() || url.scheme().toLower() != u"https"_s) {
        fail(u"Error: "_s + u"the address %1 is not a secure (https) web address"_s.arg(address) +
             u" occurred."_s);
        complete(false);
        return;
    }
    if (!userName.isEmpty() || !password.isEmpty()) {
        url.setUserName(userName);
        url.setPassword(password);
    }
    QNetworkRequest request(url);
    // The whole file from its first byte; a server that ignores ranges answers 200 instead of 206.
    request.setRawHeader("Range", "bytes=0-");
    // The bytes as stored, so the announced length is the length of the file.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &FileDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &FileDownloader::onFinished);
}

bool FileDownloader::downloadFile(const QString& address, const QString& destination, const QString& userName,
                                  const QString& password) {
    if (m_running) {
        return false;
    }
    bool whole = false;
    QEventLoop loop;
    const auto done = connect(this, &FileDownloader::finished, &loop, [&](bool ok) {
        whole = ok;
        loop.quit();
    });
    start(address, destination, userName, password);
    if (m_running) {
        loop.exec();
    }
    disconnect(done);
    return whole;
}

void FileDownloader::cancel() {
    m_cancel = true;
    if (m_running) {
        // Stopped from the event loop, never from inside the handler of one of our own events.
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this, [this, generation] { stopIfCancelled(generation); }, Qt::QueuedConnection);
    }
}

void FileDownloader::stopIfCancelled(quint64 generation) {
    if (m_running && generation == m_generation && m_cancel) {
        complete(false);
    }
}

void FileDownloader::onReadyRead() {
    // An answer Qt already counts as an error (404, say) is judged once it has finished.
    if (m_cancel || !m_running || m_reply->error() != QNetworkReply::NoError) {
        return;
    }
    if (!m_headersTaken && !takeHeaders()) {
        return;
    }
    writeChunks(false);
}

void FileDownloader::onFinished() {
    if (!m_running) {
        return;
    }
    if (m_cancel) {
        complete(false);
        return;
    }
    const bool answered = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!m_headersTaken) {
        if (!answered) {
            const auto error = m_reply->error();
            fail(NoConnection(error) ? u"Cannot establish connection."_s
                                     : u"Error: "_s + m_reply->errorString() + u" occurred."_s);
            complete(false);
            return;
        }
        if (!takeHeaders()) {
            return;
        }
    }
    if (m_reply->error() != QNetworkReply::NoError) {
        // The body stopped short: what arrived is not the file.
        complete(false);
        return;
    }
    if (!writeChunks(true)) {
        return;
    }
    if (m_received == 0) {
        fail(u"Nothing to download!"_s);
        complete(false);
        return;
    }
    // The empty read at the end of the body: the last percent once more.
    reportProgress();
    complete(m_expected < 0 || m_received == m_expected);
}

bool FileDownloader::takeHeaders() {
    m_headersTaken = true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 && status != 206) {
        QString message;
        switch (status) {
        case 204:
            message = u"Nothing to download!"_s;
            break;
        case 401:
            message = u"Authorization failed!"_s;
            break;
        case 404:
            message = u"The file, \""_s + m_address + u"\" was not found!"_s;
            break;
        default:
            message =
                u"The server returned the following response:\r\r"_s + StatusLine(m_reply, status) + u'\r';
            break;
        }
        fail(message);
        complete(false);
        return false;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_expected = length.isValid() ? length.toLongLong() : -1;
    if (m_expected > 0) {
        const qint64 free = m_freeSpace ? m_freeSpace(QFileInfo(m_destination).absolutePath()) : -1;
        if (free >= 0 && free < m_expected) {
            fail(u"There is not enough free space on disk for this file."_s);
            complete(false);
            return false;
        }
    }
    return openDestination();
}

bool FileDownloader::openDestination() {
    const QFileInfo target(m_destination);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
        failWriting(QFileDevice::OpenError,
                    u"the folder %1 cannot be made"_s.arg(QDir::toNativeSeparators(folder)));
        complete(false);
        return false;
    }
    if (target.isDir()) {
        failWriting(QFileDevice::OpenError,
                    u"%1 is a folder"_s.arg(QDir::toNativeSeparators(target.absoluteFilePath())));
        complete(false);
        return false;
    }
    m_file = std::make_unique<CheckedFile>(m_destination);
    if (!m_file->open()) {
        failWriting(QFileDevice::OpenError, m_file->message());
        complete(false);
        return false;
    }
    m_fileOpened = true;
    return true;
}

bool FileDownloader::writeChunks(bool toTheEnd) {
    // Whole chunks as they come; the short last one only once the body has ended. A handler of
    // the progress event that ran the event loop may have ended the download meanwhile.
    while (!m_cancel && m_running && m_reply &&
           (m_reply->bytesAvailable() >= kChunkSize || (toTheEnd && m_reply->bytesAvailable() > 0))) {
        const QByteArray chunk = m_reply->read(kChunkSize);
        if (!m_file->write(chunk)) {
            failWriting(QFileDevice::WriteError, m_file->message());
            complete(false);
            return false;
        }
        if (m_cancel) {
            break;
        }
        m_received += chunk.size();
        reportProgress();
    }
    return !m_cancel && m_running;
}

void FileDownloader::reportProgress() {
    if (m_expected > 0) {
        // Halves go to the even neighbour, the default rounding of the floating-point unit.
        const double percent =
            std::nearbyint(static_cast<double>(m_received) / static_cast<double>(m_expected) * 100.0);
        emit progressChanged(QString::number(static_cast<qint64>(percent)));
    } else if (m_expected < 0 && m_reply && m_reply->isFinished()) {
        // Without an announced length the only known point is the end.
        emit progressChanged(u"100"_s);
    }
}

void FileDownloader::fail(const QString& message) {
    m_cancel = true;
    emit errorOccurred(message);
}

void FileDownloader::failWriting(int number, const QString& description) {
    fail(u"Cannot write file to disk.\r\rError "_s + QString::number(number) + u": "_s + description);
}

void FileDownloader::complete(bool whole) {
    if (!m_running) {
        return;
    }
    dropReply();
    if (m_fileOpened) {
        // Only a whole transfer is put in place; anything else drops the temporary file.
        if (whole && !m_cancel && !m_file->commit()) {
            failWriting(QFileDevice::WriteError, m_file->message());
            whole = false;
        }
        m_file->cancel();
    }
    whole = whole && !m_cancel;
    if (!whole) {
        if (m_fileOpened && !m_cancel) {
            emit errorOccurred(u"The connection with the server was reset."_s);
            m_cancel = true;
        }
    }
    m_running = false;
    if (whole) {
        emit downloadCompleted();
    }
    emit finished(whole);
}

void FileDownloader::dropReply() {
    if (m_reply) {
        m_reply->disconnect(this);
        if (!m_reply->isFinished()) {
            m_reply->abort();
        }
        m_reply->deleteLater();
        m_reply = nullptr;
    }
}

} // namespace morvalen
