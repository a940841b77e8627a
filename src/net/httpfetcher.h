#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// What one transfer brought back.
struct FetchResult
{
    // The whole body arrived and the server's status was below 400.
    bool ok = false;
    // The HTTP status, or 0 when no reply arrived.
    int status = 0;
    // The body (fetch() only; fetchToFile() leaves it empty).
    QByteArray body;
    // Bytes of body received, for both kinds of fetch.
    qint64 bytes = 0;
    // Why the transfer failed, for the user; empty on success.
    QString error;
};

// One window's transfer control: one HTTP GET at a time, waited for with a local event
// loop so that the window keeps repainting and handling input meanwhile.
//
// A status of 400 or above is a failure, as are transport errors and a body cut off
// before its end. Redirects are followed as Qt does by default (never from HTTPS to
// HTTP); TLS certificates are verified.
class HttpFetcher : public QObject
{
    Q_OBJECT
public:
    // The longest pause in a transfer before it fails; zero waits for ever.
    static constexpr std::chrono::milliseconds kDefaultTimeout{60000};

    explicit HttpFetcher(std::chrono::milliseconds transferTimeout = kDefaultTimeout,
                         QObject *parent = nullptr);
    ~HttpFetcher() override;

    std::chrono::milliseconds transferTimeout() const { return m_timeout; }
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // The URL property: stores the URL as the control normalises it.
    void setUrl(const QString &url);
    QUrl url() const { return m_url; }

    // Fetches `url` and returns when the whole body has arrived or the transfer failed.
    FetchResult fetch(const QUrl &url);

    // The body of a fetch as text; the servers' texts are Windows-1252.
    static QString text(const FetchResult &result);

    // Streams the body into `filePath` (through a temporary file in the same folder):
    // the file is replaced only when the whole body has arrived, and left as it was
    // otherwise. Missing folders on the way are created.
    FetchResult fetchToFile(const QUrl &url, const QString &filePath);

    // True while a transfer runs; a fetch started meanwhile fails at once.
    bool isBusy() const { return m_reply != nullptr; }

    // Ends the running transfer; its fetch returns a failure.
    void abort();

signals:
    // Progress of the running transfer; `total` is -1 when the server did not say.
    void received(qint64 bytes, qint64 total);

private:
    struct Transfer;

    FetchResult run(const QUrl &url, class QSaveFile *file);

    std::chrono::milliseconds m_timeout;
    QUrl m_url;
    QNetworkAccessManager *m_manager = nullptr;
    QNetworkReply *m_reply = nullptr;
    // The running transfer's state, on run()'s stack; null when idle.
    Transfer *m_transfer = nullptr;
};
