#include "testserver.h"

// Debian builds cpp-httplib as a shared library with TLS and compression; the compile
// definitions from its pkg-config file must match, as they change its types' layout.
#include <QFile>
#include <QHash>
#include <arpa/inet.h>
#include <condition_variable>
#include <cstring>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kChunkSize = 64 * 1024;

// The loopback port of a new socket (in `fd`, else held until the process ends), listening
// when asked; one that does not listen refuses every connection.
int loopbackPort(bool listening, int *fd = nullptr)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        (listening && ::listen(socket, 16) != 0) ||
        ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        qFatal("TestServer: cannot bind on 127.0.0.1: %s", std::strerror(errno));
    if (fd)
        *fd = socket;
    return ntohs(address.sin_port);
}

QString loopbackUrl(int port, const QString &path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace

struct TestServer::Private
{
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopRequested;
    bool stopping = false;
    QHash<QString, Reply> replies;
    QList<QPair<QString, QString>> folders; // path prefix, folder
    QHash<QString, int> hits;
    QList<QByteArray> targets;
    QByteArray userAgent;
    QHash<QString, RawReply> rawReplies;
    int rawSocket = -1;
    int rawPort = 0;
    std::thread rawThread;

    // Waits `ms` unless the server stops first; false when it stopped.
    bool pause(int ms)
    {
        std::unique_lock lock(mutex);
        return !stopRequested.wait_for(lock, std::chrono::milliseconds(ms),
                                       [this] { return stopping; });
    }

    void handle(const httplib::Request &request, httplib::Response &response);
    void serveRaw(int fd);
};

// One raw connection after another, until the socket is shut down.
void TestServer::Private::serveRaw(int fd)
{
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n") && request.size() < 65536) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, got);
    }
    const QString path = QString::fromLatin1(request.split(' ').value(1).split('?').value(0));
    RawReply reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 0};
    {
        std::lock_guard lock(mutex);
        ++hits[path];
        reply = rawReplies.value(path, reply);
    }
    // The header block at once, then the body at the pace asked for.
    const qsizetype body = reply.bytes.indexOf("\r\n\r\n") + 4;
    for (qsizetype at = 0; at < reply.bytes.size();) {
        const qsizetype size = at < body               ? body
                               : reply.byteDelayMs > 0 ? 1
                                                       : reply.bytes.size() - at;
        if ((at > body && !pause(reply.byteDelayMs)) ||
            ::send(fd, reply.bytes.constData() + at, size_t(size), MSG_NOSIGNAL) != size)
            break;
        at += size;
    }
    ::close(fd);
}

void TestServer::Private::handle(const httplib::Request &request, httplib::Response &response)
{
    const QString path = QString::fromStdString(request.path);
    Reply reply;
    reply.status = 404;
    reply.body = "Not Found";
    {
        std::lock_guard lock(mutex);
        ++hits[path];
        targets.append(QByteArray::fromStdString(request.target));
        userAgent = QByteArray::fromStdString(request.get_header_value("User-Agent"));
        reply = replies.value(path, reply);
        for (const auto &[prefix, folder] : std::as_const(folders)) {
            QFile file(folder + u'/' + path.mid(prefix.size()));
            if (reply.status == 404 && !replies.contains(path) && path.startsWith(prefix) &&
                !path.contains(u"/../") && file.open(QIODevice::ReadOnly)) {
                reply.status = 200;
                reply.body = file.readAll();
            }
        }
    }
    if (!pause(reply.delayMs)) {
        // Stopping: hang up without an answer.
        response.set_content_provider(1, "text/plain",
                                      [](size_t, size_t, httplib::DataSink &) { return false; });
        return;
    }

    response.status = reply.status;
    if (!reply.redirectTo.isEmpty())
        response.set_redirect(reply.redirectTo.toStdString(), 302);

    const qint64 size = reply.generatedSize >= 0 ? reply.generatedSize : reply.body.size();
    if (reply.generatedSize < 0 && !reply.cutOff && reply.chunkDelayMs <= 0) {
        response.set_content(reply.body.toStdString(), reply.contentType.constData());
        return;
    }
    // Streamed in chunks: generated bytes, slow bodies and bodies cut off halfway.
    const qint64 sendUpTo = reply.cutOff ? size / 2 : size;
    response.set_content_provider(
        size_t(size), reply.contentType.constData(),
        [this, reply, sendUpTo](size_t offset, size_t, httplib::DataSink &sink) {
            if (qint64(offset) >= sendUpTo)
                return false; // closes the connection short of the announced length
            if (offset > 0 && !pause(reply.chunkDelayMs))
                return false;
            const qint64 length = std::min<qint64>(kChunkSize, sendUpTo - qint64(offset));
            const QByteArray chunk = reply.generatedSize >= 0
                                         ? generatedBytes(qint64(offset), length)
                                         : reply.body.mid(qsizetype(offset), length);
            return sink.write(chunk.constData(), size_t(chunk.size()));
        });
}

TestServer::TestServer()
    : d(std::make_unique<Private>())
{
    // One request per connection: no test depends on connections being reused.
    d->server.set_keep_alive_max_count(1);
    d->server.Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        d->handle(request, response);
    });
    // Bound and listening from here on; accepting starts in the thread.
    d->port = d->server.bind_to_any_port("127.0.0.1");
    if (d->port <= 0)
        qFatal("TestServer: cannot listen on 127.0.0.1");
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() only reaches a server whose accept loop has begun.
    while (!d->server.is_running())
        std::this_thread::yield();

    d->rawPort = loopbackPort(true, &d->rawSocket);
    d->rawThread = std::thread([this] {
        for (int fd; (fd = ::accept4(d->rawSocket, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
            d->serveRaw(fd);
    });
}

TestServer::~TestServer()
{
    std::unique_lock lock(d->mutex);
    d->stopping = true;
    d->stopRequested.notify_all();
    lock.unlock();
    d->server.stop();
    d->thread.join();
    ::shutdown(d->rawSocket, SHUT_RDWR);
    d->rawThread.join();
    ::close(d->rawSocket);
}

void TestServer::setRawReply(const QString &path, const RawReply &reply)
{
    std::lock_guard lock(d->mutex);
    d->rawReplies.insert(path, reply);
}

QUrl TestServer::rawUrl(const QString &path) const
{
    return QUrl(loopbackUrl(d->rawPort, path));
}

quint16 TestServer::port() const
{
    return quint16(d->port);
}

QUrl TestServer::url(const QString &path) const
{
    return QUrl(urlText(path));
}

QString TestServer::urlText(const QString &path) const
{
    return loopbackUrl(d->port, path);
}

void TestServer::setReply(const QString &path, const Reply &reply)
{
    std::lock_guard lock(d->mutex);
    d->replies.insert(path, reply);
}

void TestServer::setBody(const QString &path, const QByteArray &body)
{
    Reply reply;
    reply.body = body;
    setReply(path, reply);
}

void TestServer::serveFolder(const QString &prefix, const QString &folder)
{
    std::lock_guard lock(d->mutex);
    d->folders.append({prefix, folder});
}

int TestServer::hits(const QString &path) const
{
    std::lock_guard lock(d->mutex);
    return d->hits.value(path);
}

QList<QByteArray> TestServer::requestTargets() const
{
    std::lock_guard lock(d->mutex);
    return d->targets;
}

QByteArray TestServer::lastUserAgent() const
{
    std::lock_guard lock(d->mutex);
    return d->userAgent;
}

QUrl TestServer::refusedUrl(const QString &path)
{
    // Holding the socket keeps anyone else from taking its port.
    static const int port = loopbackPort(false);
    return QUrl(loopbackUrl(port, path));
}

QByteArray TestServer::generatedBytes(qint64 offset, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    char *out = bytes.data();
    for (qint64 i = 0, b = offset % 251; i < size; ++i, b = b == 250 ? 0 : b + 1)
        out[i] = char(b);
    return bytes;
}
