#include "singlecopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <unistd.h>

namespace {

constexpr char kRequest[] = "forward\n";
constexpr int kWaitMs = 2000;

} // namespace

SingleCopy::SingleCopy(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_name(serverName(dataFolder))
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleCopy::answer);
}

QString SingleCopy::serverName(const QString &dataFolder)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    const QFileInfo folder(dataFolder);
    const QString path = folder.exists() ? folder.canonicalFilePath()
                                         : QDir::cleanPath(folder.absoluteFilePath());
    const QByteArray who = QByteArray::number(::getuid()) + '\0' + qgetenv("WAYLAND_DISPLAY") +
                           '\0' + qgetenv("DISPLAY") + '\0' + path.toUtf8();
    const QByteArray hash = QCryptographicHash::hash(who, QCryptographicHash::Sha256).toHex();
    return runtime + QStringLiteral("/nvmonster-") + QString::fromLatin1(hash.first(24));
}

bool SingleCopy::handedOver()
{
    if (m_name.isEmpty())
        return false;
    // Of two copies starting at once, the first listens before the second looks.
    QLockFile lock(m_name + QStringLiteral(".lock"));
    lock.tryLock(kWaitMs);

    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(kWaitMs)) {
        socket.write(kRequest);
        if (socket.waitForBytesWritten(kWaitMs))
            return true;
    }
    // Nobody listens there: a socket left behind is from a copy that was killed. (The
    // folder is the user's own, so the socket needs no access rights of its own.)
    QLocalServer::removeServer(m_name);
    if (!m_server.listen(m_name))
        qWarning("Other starts cannot find this copy: %s", qUtf8Printable(m_server.errorString()));
    return false;
}

void SingleCopy::answer()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [this, socket] {
            if (socket->canReadLine()) {
                if (socket->readLine() == kRequest)
                    emit forwardRequested();
                socket->disconnectFromServer();
            } else if (socket->bytesAvailable() > qint64(sizeof kRequest)) {
                socket->abort(); // not one of ours
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}
