#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace morvalen::test {

// A scripted web server on 127.0.0.1 for one test: each path gets a status line and headers,
// a body in pieces with pauses between them, and an ending (close, reset, or silence). It
// speaks HTTPS with a certificate of its own (local_server_cert.pem, for 127.0.0.1), which
// the test process trusts, as the program's downloader takes nothing but https addresses.
class LocalHttpServer : public QObject {
public:
    struct Script {
        QByteArray head;        // status line and headers without the blank line; empty: never answer
        QList<QByteArray> body; // sent piece by piece
        int pauseMs = 0;        // before each piece after the first
        enum class End { Close, Reset, HoldOpen } end = End::Close;
    };

    // A complete answer with the announced length.
    static Script Answer(const QByteArray& statusLine, const QByteArray& body, QList<int> pieces = {},
                         int pauseMs = 0) {
        Script script;
        script.head = statusLine + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\nContent-Type: application/octet-stream";
        script.body = Split(body, pieces);
        script.pauseMs = pauseMs;
        return script;
    }

    static QList<QByteArray> Split(const QByteArray& body, const QList<int>& pieces) {
        QList<QByteArray> parts;
        qsizetype at = 0;
        for (const int size : pieces) {
            parts.append(body.mid(at, size));
            at += size;
        }
        if (at < body.size()) {
            parts.append(body.mid(at));
        }
        return parts;
    }

    LocalHttpServer() {
        const QSslCertificate certificate = Certificate();
        QFile keyFile(QStringLiteral(MORVALEN_TEST_TLS_DIR "/local_server_key.pem"));
        keyFile.open(QIODevice::ReadOnly);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(tls);
        TrustCertificate(certificate);
        connect(&m_server, &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                // Data that came with the end of the handshake.
                if (socket->bytesAvailable() > 0) {
                    read(socket);
                }
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool listening() const { return m_server.isListening() && !Certificate().isNull(); }
    QUrl base() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(m_server.serverPort())); }
    QString address(const QString& path) const { return base().toString() + path; }
    void script(const QByteArray& path, const Script& script) { m_scripts[path] = script; }
    // The request heads received so far, in order.
    const QList<QByteArray>& requests() const { return m_requests; }

private:
    static QSslCertificate Certificate() {
        const QList<QSslCertificate> found =
            QSslCertificate::fromPath(QStringLiteral(MORVALEN_TEST_TLS_DIR "/local_server_cert.pem"));
        return found.isEmpty() ? QSslCertificate() : found.first();
    }

    // Every connection the test process makes accepts this server's certificate.
    static void TrustCertificate(const QSslCertificate& certificate) {
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        if (!client.caCertificates().contains(certificate)) {
            client.addCaCertificate(certificate);
            QSslConfiguration::setDefaultConfiguration(client);
        }
    }

    void read(QTcpSocket* socket) {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        const QByteArray head = pending.left(end);
        pending.clear();
        m_requests.append(head);
        const QByteArray path = head.split(' ').value(1);
        Script script;
        if (m_scripts.contains(path)) {
            script = m_scripts.value(path);
        } else {
            script = Answer("HTTP/1.1 404 Not Found", "<html>not here</html>");
        }
        if (script.head.isEmpty()) {
            return; // accepted and never answered
        }
        socket->write(script.head + "\r\nConnection: close\r\n\r\n");
        send(socket, script, 0);
    }

    void send(QPointer<QTcpSocket> socket, const Script& script, qsizetype piece) {
        if (!socket) {
            return;
        }
        if (piece < script.body.size()) {
            socket->write(script.body[piece]);
            socket->flush();
            QTimer::singleShot(piece + 1 < script.body.size() ? script.pauseMs : 0, this,
                               [this, socket, script, piece] { send(socket, script, piece + 1); });
            return;
        }
        switch (script.end) {
        case Script::End::Close:
            socket->disconnectFromHost();
            break;
        case Script::End::Reset: {
#ifdef Q_OS_UNIX
            // No orderly goodbye: linger off makes the close a reset.
            const linger abrupt{1, 0};
            setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abrupt,
                       sizeof abrupt);
#endif
            socket->abort();
            break;
        }
        case Script::End::HoldOpen:
            break;
        }
    }

    QSslServer m_server;
    QMap<QByteArray, Script> m_scripts;
    QMap<QTcpSocket*, QByteArray> m_pending;
    QList<QByteArray> m_requests;
};

} // namespace morvalen::test
