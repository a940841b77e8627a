#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes `bytes` to `path` through a temporary file in the same folder that replaces the
// old file only when everything was written: the old file stays whole on any failure.
inline bool writeWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}
