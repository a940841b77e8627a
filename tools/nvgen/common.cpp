#include "common.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

[[noreturn]] void fail(const QString &message)
{
    throw Failure{message};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

void checkGif(const QByteArray &bytes, const QImage &indexed, const QString &name)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    const QImage back = reader.read();
    if (back.isNull())
        fail(QStringLiteral("%1: Qt cannot read the GIF back: %2").arg(name, reader.errorString()));
    if (back.size() != indexed.size())
        fail(QStringLiteral("%1: GIF reads back with the wrong size").arg(name));
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (back.pixel(x, y) != indexed.color(indexed.pixelIndex(x, y)))
                fail(QStringLiteral("%1: GIF pixel %2,%3 differs").arg(name).arg(x).arg(y));
        }
    }
}

quint32 fnv1a(const QString &text)
{
    quint32 h = 2166136261u;
    for (const char c : text.toUtf8()) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return h;
}
