#pragma once

#include "store/CheckedFile.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
#include <QNetworkReply>

namespace morvalen {

// Downloads one https address into one file (any other address is refused), 1024 bytes at a time, with the
// status and free-space checks, progress in percent, and a cancel that stops at the next step. The work runs
// on the event loop, so windows stay responsive; a file that did not arrive whole is deleted.
class FileDownloader : public QObject {
    Q_OBJECT

public:
    static constexpr int kChunkSize = 1024;

    explicit FileDownloader(QObject* parent = nullptr);
    ~FileDownloader() override;

    // Starts the download and returns at once; the signals tell how it goes, and finished ends it.
    void start(const QString& address, const QString& destination, const QString& userName = {},
               const QString& password = {});
    // Starts the download and waits for it with the event loop running; true when the whole
    // file has arrived.
    bool downloadFile(const QString& address, const QString& destination, const QString& userName = {},
                      const QString& password = {});
    // Stops a running download at its next step; the partial file is deleted, no error is raised.
    void cancel();

    bool isRunning() const { return m_running; }
    qint64 received() const { return m_received; }
    // The announced length; -1 when the server did not give one.
    qint64 expected() const { return m_expected; }

    // How long the server may stay silent before the transfer counts as failed.
    void setTransferTimeout(int ms) { m_timeoutMs = ms; }
    // Where the free space of the destination's volume comes from (tests simulate a full disk).
    void setFreeSpaceProbe(std::function<qint64(const QString& folder)> probe) {
        m_freeSpace = std::move(probe);
    }

signals:
    void errorOccurred(const QString& message);
    void statusChanged(const QString& status);
    void downloadCompleted();
    void progressChanged(const QString& percent);
    // After the last event of a download: whether the whole file arrived.
    void finished(bool complete);

private:
    void onReadyRead();
    void onFinished();
    bool takeHeaders();
    bool openDestination();
    bool writeChunks(bool toTheEnd);
    void reportProgress();
    void fail(const QString& message);
    void failWriting(int number, const QString& description);
    void complete(bool whole);
    void stopIfCancelled(quint64 generation);
    void dropReply();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    // The installer goes through the checked writer: an earlier download of that name stays
    // until the new one is whole on the disk.
    std::unique_ptr<CheckedFile> m_file;
    QString m_destination;
    QString m_address;
    std::function<qint64(const QString&)> m_freeSpace;
    int m_timeoutMs = 30000;
    quint64 m_generation = 0; // tells a stale queued cancel from the current download
    bool m_running = false;
    bool m_cancel = false; // set by cancel and by every failure
    bool m_headersTaken = false;
    bool m_fileOpened = false;
    qint64 m_received = 0;
    qint64 m_expected = -1;
};

} // namespace morvalen
