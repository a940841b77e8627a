#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;
class QTimer;
struct ReplyFacts;

// One HTTP GET and what may come back.
struct FetchRequest
{
    QUrl url;
    // Empty: the body is kept in memory. Otherwise it streams into this file through a
    // temporary file beside it, which replaces the file only when the whole body arrived;
    // missing folders on the way are made.
    QString filePath;
    // The most a body kept in memory may hold: a longer one is a failure, so that an
    // endless reply cannot grow the program.
    qint64 maxBodyBytes = 64 * 1024;
    // The exact length the body must have (a data file's listed size), or -1 for any.
    qint64 expectedSize = -1;
    // Only a 200 answer counts (a data file); otherwise any status below 400 does.
    bool requireOk = false;
    // The longest wait for the next byte (zero: none), and for the whole transfer.
    std::chrono::milliseconds pauseTimeout{60000};
    std::chrono::milliseconds deadline{60000};

    // `url` as a user or a list writes it: spaces and other characters a URL cannot carry
    // are encoded.
    static QUrl normalised(const QString &url);
};

// What one transfer brought back.
struct FetchResult
{
    // The whole body arrived with an accepted status.
    bool ok = false;
    // The HTTP status, or 0 when no reply arrived.
    int status = 0;
    // The body, kept in memory only; empty for a failure and for a body stored in a file.
    QByteArray body;
    // Bytes of body received.
    qint64 bytes = 0;
    // Why the transfer failed, in words for the user; empty on success.
    QString error;
};

// One window's transfer control: one HTTP GET at a time, reported when it is over.
//
// A status of 400 or above is a failure, as are transport errors, a body cut off before
// its end, a reply in a content encoding that was not asked for (every request asks for
// none), a pause longer than the request allows and a transfer past its deadline.
// Only http and https addresses are fetched, the first one and every redirect (never from
// HTTPS to HTTP); TLS certificates are verified.
class HttpFetcher : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const FetchResult &)>;

    explicit HttpFetcher(QObject *parent = nullptr);
    ~HttpFetcher() override;

    // Starts a transfer. `done` is called once, from the event loop and never from within
    // this call, unless `context` is gone by then or abort() ended the transfer. While a
    // transfer runs another one fails at once, without asking the server.
    void get(const FetchRequest &request, QObject *context, Done done);

    bool isBusy() const { return m_reply != nullptr; }

    // Ends the running transfer; its `done` is not called.
    void abort();

    // The body of a fetch as text; the servers' texts are Windows-1252.
    static QString text(const FetchResult &result);

signals:
    // Progress of the running transfer; `total` is -1 when the server did not say.
    void received(qint64 bytes, qint64 total);

private:
    void drain();
    void redirected(const QUrl &to);
    void fail(const QString &reason);
    void finish();
    ReplyFacts facts() const;
    QString failure() const;
    void cleanUp();

    QNetworkAccessManager *m_manager = nullptr;
    QNetworkReply *m_reply = nullptr;
    QSaveFile *m_file = nullptr;
    QTimer *m_deadline = nullptr;
    FetchRequest m_request;
    QUrl m_at; // the address now asked, after redirects
    QPointer<QObject> m_context;
    Done m_done;
    QByteArray m_body;
    qint64 m_bytes = 0;
    QString m_failure;
};
