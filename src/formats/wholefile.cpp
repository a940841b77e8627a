#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace wholefile {
namespace {

bool failed(const QFileDevice &file, QString *error)
{
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace

bool writeAll(QFileDevice &file, QByteArrayView bytes)
{
    qint64 done = file.write(bytes.data(), bytes.size());
    if (done >= 0 && done < bytes.size()) {
        const qint64 more = file.write(bytes.data() + done, bytes.size() - done);
        done = more < 0 ? -1 : done + more;
    }
    return done == bytes.size();
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, bytes) ||
        !file.commit())
        return failed(file, error);
    return true;
}

bool copy(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(in, error);
    if (!QDir().mkpath(QFileInfo(target).path())) {
        if (error)
            *error = QStringLiteral("The folder %1 cannot be made").arg(QFileInfo(target).path());
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(out, error);
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty())
            return failed(in, error);
        if (!writeAll(out, chunk))
            return failed(out, error);
    }
    return out.commit() || failed(out, error);
}

std::optional<QByteArray> read(const QString &path, qint64 maxBytes, QString *error)
{
    const auto failed = [error](const QString &reason) -> std::optional<QByteArray> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return failed(QStringLiteral("No such file or directory"));
    if (!info.isFile())
        return failed(QStringLiteral("It is not a regular file"));
    if (info.size() > maxBytes)
        return failed(QStringLiteral("It is larger than %1 bytes").arg(maxBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    // One more than allowed tells a file that grew meanwhile.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(file.errorString());
    if (bytes.size() > maxBytes)
        return failed(QStringLiteral("It is larger than %1 bytes").arg(maxBytes));
    if (error)
        error->clear();
    return bytes;
}

} // namespace wholefile
