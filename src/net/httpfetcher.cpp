#include "httpfetcher.h"

#include "appinfo.h"
#include "windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <climits>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// How much of a download Qt may hold for us before it stops reading the socket. A file
// download is drained to disk on every readyRead, so memory stays near this size.
constexpr qint64 kFileReadBuffer = 512 * 1024;
constexpr qint64 kChunkSize = 1024 * 1024;

int httpStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString seconds(std::chrono::milliseconds time)
{
    const auto whole = std::chrono::duration_cast<std::chrono::seconds>(time + 999ms).count();
    return whole == 1 ? u"1 second"_s : u"%1 seconds"_s.arg(whole);
}

int clampedMs(std::chrono::milliseconds time)
{
    return int(std::min<qint64>(time.count(), INT_MAX));
}

} // namespace

QUrl FetchRequest::normalised(const QString &url)
{
    return QUrl(url, QUrl::TolerantMode);
}

HttpFetcher::HttpFetcher(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        fail(u"the transfer took longer than %1"_s.arg(seconds(m_request.deadline)));
    });
}

HttpFetcher::~HttpFetcher()
{
    abort();
    // The fetcher may go while its reply is still emitting the signal that led here; the
    // reply's manager, which would take the reply with it, goes later.
    m_manager->setParent(nullptr);
    m_manager->deleteLater();
}

void HttpFetcher::get(const FetchRequest &request, QObject *context, Done done)
{
    const auto failNow = [context, &done](const QString &reason) {
        FetchResult result;
        result.error = reason;
        QTimer::singleShot(0, context, [done = std::move(done), result] { done(result); });
    };
    if (isBusy())
        return failNow(u"another transfer is still running"_s);

    std::unique_ptr<QSaveFile> file;
    if (!request.filePath.isEmpty()) {
        const QFileInfo info(request.filePath);
        if (!QDir().mkpath(info.absolutePath()))
            return failNow(u"the folder %1 cannot be made"_s.arg(
                QDir::toNativeSeparators(info.absolutePath())));
        file = std::make_unique<QSaveFile>(request.filePath);
        // Unbuffered, so that a write cut short by a full disk is seen (see wholefile.h).
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failNow(u"%1 cannot be written: %2"_s.arg(
                QDir::toNativeSeparators(request.filePath), file->errorString()));
    }

    QNetworkRequest http(request.url);
    http.setHeader(QNetworkRequest::UserAgentHeader, u"nvmonster/"_s + appinfo::runningVersion());
    http.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::NoLessSafeRedirectPolicy);
    // Asked plainly, so that the length the server announces is the length that arrives.
    http.setRawHeader("Accept-Encoding", "identity");
    if (request.pauseTimeout.count() > 0)
        http.setTransferTimeout(clampedMs(request.pauseTimeout));

    m_request = request;
    m_context = context;
    m_done = std::move(done);
    m_body.clear();
    m_bytes = 0;
    m_failure.clear();
    m_file = file.release();
    m_reply = m_manager->get(http);
    if (m_file)
        m_reply->setReadBufferSize(kFileReadBuffer);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpFetcher::drain);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &HttpFetcher::received);
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetcher::finish);
    if (request.deadline.count() > 0)
        m_deadline->start(clampedMs(request.deadline));
}

void HttpFetcher::abort()
{
    if (!m_reply)
        return;
    m_done = nullptr;
    m_reply->disconnect(this);
    m_reply->abort();
    if (m_file)
        m_file->cancelWriting();
    cleanUp();
}

QString HttpFetcher::text(const FetchResult &result)
{
    return windows1252::decode(result.body);
}

// Takes what has arrived: into the file or the body, or nowhere for a reply that cannot
// be the answer, which must never pass for one.
void HttpFetcher::drain()
{
    if (!m_failure.isEmpty())
        return;
    const int status = httpStatus(m_reply);
    const bool keep = status < 400 && (!m_request.requireOk || status == 200);
    const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (keep && !encoding.isEmpty() && encoding != "identity")
        return fail(u"the server sent a compressed reply"_s);
    while (m_failure.isEmpty() && m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(kChunkSize);
        m_bytes += chunk.size();
        if (!keep)
            continue;
        if (m_request.expectedSize >= 0 && m_bytes > m_request.expectedSize)
            return fail(u"more than the %1 bytes listed arrived"_s.arg(m_request.expectedSize));
        if (!m_file) {
            if (m_bytes > m_request.maxBodyBytes)
                return fail(u"the reply is longer than %1 bytes"_s.arg(m_request.maxBodyBytes));
            m_body += chunk;
        } else if (m_file->write(chunk) != chunk.size()) {
            return fail(u"%1 cannot be written: %2"_s.arg(
                QDir::toNativeSeparators(m_request.filePath), m_file->errorString()));
        }
    }
}

// Ends the transfer for `reason`; finish() reports it. The reply is aborted from the event
// loop, not from within its own signal.
void HttpFetcher::fail(const QString &reason)
{
    if (!m_reply || !m_failure.isEmpty())
        return;
    m_failure = reason;
    QMetaObject::invokeMethod(
        m_reply,
        [reply = m_reply] {
            if (!reply->isFinished())
                reply->abort();
        },
        Qt::QueuedConnection);
}

// Why the finished transfer failed, or empty when it brought the whole answer.
QString HttpFetcher::failure() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    const int status = httpStatus(m_reply);
    const QString reason = QString::fromLatin1(
        m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    if (status >= 400)
        return u"the server answered %1 %2"_s.arg(status).arg(reason).trimmed();
    switch (m_reply->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::OperationCanceledError: // what Qt 6.4 reports for a transfer time-out
    case QNetworkReply::TimeoutError:
        return u"no data arrived for %1"_s.arg(seconds(m_request.pauseTimeout));
    case QNetworkReply::ConnectionRefusedError:
        return u"the server refused the connection"_s;
    case QNetworkReply::HostNotFoundError:
        return u"the server %1 could not be found"_s.arg(m_request.url.host());
    case QNetworkReply::RemoteHostClosedError:
        return u"the connection closed before the end"_s;
    default:
        return m_reply->errorString();
    }
    if (m_request.requireOk && status != 200)
        return u"the server answered %1 %2 instead of the file"_s.arg(status).arg(reason).trimmed();
    // Qt does not always call a connection closed early an error; the announced length
    // decides.
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() != m_bytes)
        return u"the connection closed after %1 of %2 bytes"_s.arg(m_bytes).arg(
            announced.toLongLong());
    if (m_request.expectedSize >= 0 && m_bytes != m_request.expectedSize)
        return u"%1 bytes arrived where %2 were listed"_s.arg(m_bytes).arg(m_request.expectedSize);
    return {};
}

void HttpFetcher::finish()
{
    if (m_failure.isEmpty())
        drain();
    FetchResult result;
    result.status = httpStatus(m_reply);
    result.bytes = m_bytes;
    result.error = failure();
    if (m_file) {
        if (!result.error.isEmpty()) {
            // Leaves the old file as it was; the temporary file goes with it.
            m_file->cancelWriting();
        } else if (!m_file->commit()) {
            result.error = u"%1 cannot be written: %2"_s.arg(
                QDir::toNativeSeparators(m_request.filePath), m_file->errorString());
        }
    }
    result.ok = result.error.isEmpty();
    if (result.ok)
        result.body = std::move(m_body);
    const QPointer<QObject> context = m_context;
    const Done done = std::move(m_done);
    // Idle again before the caller hears of it, so that it may start the next transfer.
    cleanUp();
    if (done && context)
        done(result);
}

void HttpFetcher::cleanUp()
{
    m_deadline->stop();
    if (m_reply) {
        m_reply->disconnect(this);
        // It may be in the middle of emitting the signal that led here.
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    delete m_file;
    m_file = nullptr;
    m_done = nullptr;
    m_context = nullptr;
    m_body.clear();
}
