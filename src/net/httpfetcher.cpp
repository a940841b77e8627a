#include "httpfetcher.h"

#include "appinfo.h"
#include "windows1252.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <climits>

namespace {

// How much of a download Qt may hold for us before it stops reading the socket. A file
// download is drained to disk on every readyRead, so memory stays near this size.
constexpr qint64 kFileReadBuffer = 512 * 1024;
constexpr qint64 kChunkSize = 1024 * 1024;

int httpStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString abortedText()
{
    return QStringLiteral("The transfer was aborted.");
}

} // namespace

// The state of one transfer. It lives on run()'s stack, not in the fetcher, so that it is
// still there when the fetcher is destroyed while run() waits in its local loop.
struct HttpFetcher::Transfer
{
    QEventLoop loop;
    QSaveFile *file = nullptr;
    QByteArray body;
    qint64 bytes = 0;
    QString writeError;
    bool aborted = false;
    bool fetcherGone = false;

    // Takes what has arrived: into the file or the body, or nowhere for an error page,
    // which must never pass for an answer.
    void drain(QNetworkReply *reply)
    {
        const bool errorPage = httpStatus(reply) >= 400;
        while (reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(kChunkSize);
            bytes += chunk.size();
            if (errorPage)
                continue;
            if (!file) {
                body += chunk;
            } else if (file->write(chunk) != chunk.size()) {
                writeError = QStringLiteral("%1: %2").arg(
                    QDir::toNativeSeparators(file->fileName()), file->errorString());
                reply->abort();
                return;
            }
        }
    }

    // Why the finished transfer failed, or empty when it brought the whole body.
    QString failure(const QNetworkReply *reply) const
    {
        if (!writeError.isEmpty())
            return writeError;
        if (aborted)
            return abortedText();
        const int status = httpStatus(reply);
        if (status >= 400) {
            const QString reason = QString::fromLatin1(
                reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
            return QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed();
        }
        switch (reply->error()) {
        case QNetworkReply::NoError:
            break;
        case QNetworkReply::OperationCanceledError: // what Qt 6.4 reports for a transfer time-out
        case QNetworkReply::TimeoutError:
            return QStringLiteral("The transfer timed out.");
        default:
            return reply->errorString();
        }
        // Qt does not always call a connection closed early an error; the announced length
        // decides. A compressed body is counted after Qt unpacks it, so it cannot be compared.
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
        if (announced.isValid() && (encoding.isEmpty() || encoding == "identity") &&
            announced.toLongLong() != bytes)
            return QStringLiteral("The connection closed after %1 of %2 bytes.")
                .arg(bytes)
                .arg(announced.toLongLong());
        return {};
    }
};

HttpFetcher::HttpFetcher(std::chrono::milliseconds transferTimeout, QObject *parent)
    : QObject(parent)
    , m_timeout(transferTimeout)
    , m_manager(new QNetworkAccessManager(this))
{}

HttpFetcher::~HttpFetcher()
{
    if (!m_transfer)
        return;
    // Destroyed while run() waits, typically because the window closed: run() is told to
    // return without touching us. The reply may be in the middle of emitting the signal
    // that led here, so it and its manager are only aborted now and deleted later.
    m_transfer->fetcherGone = true;
    m_transfer->loop.quit();
    QObject::disconnect(m_reply, nullptr, &m_transfer->loop, nullptr);
    QObject::disconnect(m_reply, nullptr, this, nullptr);
    m_reply->abort();
    m_reply->deleteLater();
    m_manager->setParent(nullptr);
    m_manager->deleteLater();
}

void HttpFetcher::setUrl(const QString &url)
{
    m_url = QUrl(url, QUrl::TolerantMode);
}

FetchResult HttpFetcher::fetch(const QUrl &url)
{
    return run(url, nullptr);
}

QString HttpFetcher::text(const FetchResult &result)
{
    return windows1252::decode(result.body);
}

FetchResult HttpFetcher::fetchToFile(const QUrl &url, const QString &filePath)
{
    FetchResult result;
    if (isBusy()) {
        result.error = QStringLiteral("Another transfer is still running.");
        return result;
    }
    const QFileInfo info(filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        result.error = QStringLiteral("The folder %1 cannot be created.")
                           .arg(QDir::toNativeSeparators(info.absolutePath()));
        return result;
    }
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(filePath), file.errorString());
        return result;
    }

    result = run(url, &file);
    // From here on the fetcher may be gone; only locals are used.
    if (!result.ok) {
        // Leaves the old file as it was; the temporary file goes with `file`.
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.ok = false;
        result.error =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(filePath), file.errorString());
    }
    return result;
}

void HttpFetcher::abort()
{
    if (!m_transfer)
        return;
    m_transfer->aborted = true;
    m_reply->abort();
}

FetchResult HttpFetcher::run(const QUrl &url, QSaveFile *file)
{
    FetchResult result;
    if (isBusy()) {
        result.error = QStringLiteral("Another transfer is still running.");
        return result;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("nvmonster/") + appinfo::runningVersion());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    if (m_timeout.count() > 0)
        request.setTransferTimeout(int(qMin<qint64>(m_timeout.count(), INT_MAX)));

    Transfer transfer;
    transfer.file = file;
    QNetworkReply *reply = m_manager->get(request);
    if (file)
        reply->setReadBufferSize(kFileReadBuffer);
    m_reply = reply;
    m_transfer = &transfer;

    connect(reply, &QNetworkReply::readyRead, &transfer.loop,
            [reply, &transfer] { transfer.drain(reply); });
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpFetcher::received);
    connect(reply, &QNetworkReply::finished, &transfer.loop, &QEventLoop::quit);
    if (!reply->isFinished())
        transfer.loop.exec();

    if (transfer.fetcherGone) {
        // The destructor has dealt with the reply; `this` must not be touched.
        result.bytes = transfer.bytes;
        result.error = abortedText();
        return result;
    }
    m_reply = nullptr;
    m_transfer = nullptr;
    QObject::disconnect(reply, nullptr, &transfer.loop, nullptr);
    QObject::disconnect(reply, nullptr, this, nullptr);

    if (transfer.writeError.isEmpty() && !transfer.aborted)
        transfer.drain(reply);
    result.status = httpStatus(reply);
    result.bytes = transfer.bytes;
    result.error = transfer.failure(reply);
    result.ok = result.error.isEmpty();
    if (result.ok)
        result.body = std::move(transfer.body);
    reply->deleteLater();
    return result;
}
