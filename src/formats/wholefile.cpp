#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace wholefile {

bool write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
           file.write(bytes) == bytes.size() && file.commit();
}

bool copy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly) || !QDir().mkpath(QFileInfo(target).path()))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    return in.error() == QFileDevice::NoError && out.commit();
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
