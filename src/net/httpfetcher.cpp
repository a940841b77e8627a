#include "httpfetcher.h"

#include "appinfo.h"
#include "replycheck.h"
#include "wholefile.h"
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

// The system's reason, as a clause: "no space left on device". The caller knows the file.
QString cannotWrite(QString why)
{
    if (why.isEmpty())
        return u"the file cannot be written"_s;
    why[0] = why[0].toLower();
    return why;
}

const QString kNotFetched = u"the server sent it on to an address that is not fetched"_s;

// Only the web is asked: an address of any other kind could open a local file, a pipe or
// a device.
bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
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
    if (!isWebAddress(request.url))
        return failNow(u"only http and https addresses are fetched"_s);

    std::unique_ptr<QSaveFile> file;
    if (!request.filePath.isEmpty()) {
        const QFileInfo info(request.filePath);
        if (!QDir().mkpath(info.absolutePath()))
            return failNow(u"the folder %1 cannot be made"_s.arg(
                QDir::toNativeSeparators(info.absolutePath())));
        file = std::make_unique<QSaveFile>(request.filePath);
        // Unbuffered, so that a write cut short by a full disk is seen (see wholefile.h).
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failNow(cannotWrite(file->errorString()));
    }

    QNetworkRequest http(request.url);
    http.setHeader(QNetworkRequest::UserAgentHeader, u"nvmonster/"_s + appinfo::runningVersion());
    // Each redirect is judged here (redirected()), as the first address was.
    http.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::UserVerifiedRedirectPolicy);
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
    m_at = request.url;
    m_reply = m_manager->get(http);
    if (m_file)
        m_reply->setReadBufferSize(kFileReadBuffer);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpFetcher::drain);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &HttpFetcher::received);
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetcher::finish);
    connect(m_reply, &QNetworkReply::redirected, this, &HttpFetcher::redirected);
    // Every transfer ends: a deadline of zero or below would otherwise mean none.
    m_deadline->start(clampedMs(std::max(request.deadline, 1ms)));
}

void HttpFetcher::redirected(const QUrl &to)
{
    const bool downgrade = m_at.scheme().toLower() == u"https" && to.scheme().toLower() == u"http";
    if (!isWebAddress(to) || downgrade)
        return fail(kNotFetched);
    m_at = to;
    emit m_reply->redirectAllowed();
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
    const bool keep = replycheck::keepsBody(m_request, httpStatus(m_reply));
    while (m_failure.isEmpty() && m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(kChunkSize);
        m_bytes += chunk.size();
        if (!keep)
            continue;
        if (const QString reason = replycheck::whileArriving(m_request, facts()); !reason.isEmpty())
            return fail(reason);
        if (!m_file)
            m_body += chunk;
        else if (!wholefile::writeAll(*m_file, chunk))
            return fail(cannotWrite(m_file->errorString()));
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

ReplyFacts HttpFetcher::facts() const
{
    ReplyFacts facts;
    facts.status = httpStatus(m_reply);
    facts.reason = QString::fromLatin1(
        m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    facts.encoding = m_reply->rawHeader("Content-Encoding");
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid())
        facts.announced = announced.toLongLong();
    facts.bytes = m_bytes;
    return facts;
}

// Why the finished transfer failed, or empty when it brought the whole answer.
QString HttpFetcher::failure() const
{
    if (!m_failure.isEmpty())
        return m_failure;
    ReplyFacts facts = this->facts();
    switch (m_reply->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::OperationCanceledError: // what Qt 6.4 reports for a transfer time-out
    case QNetworkReply::TimeoutError:
        facts.networkError = u"no data arrived for %1"_s.arg(seconds(m_request.pauseTimeout));
        break;
    case QNetworkReply::ConnectionRefusedError:
        facts.networkError = u"the server refused the connection"_s;
        break;
    case QNetworkReply::HostNotFoundError:
        facts.networkError = u"the server %1 could not be found"_s.arg(m_request.url.host());
        break;
    case QNetworkReply::RemoteHostClosedError:
        facts.networkError = u"the connection closed before the end"_s;
        break;
    // What Qt 6.4 reports for a redirect to file: or data:, before redirected() is asked.
    case QNetworkReply::ProtocolUnknownError:
        facts.networkError = kNotFetched;
        break;
    default:
        facts.networkError = m_reply->errorString();
    }
    return replycheck::whenOver(m_request, facts);
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
            result.error = cannotWrite(m_file->errorString());
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
