#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFileDevice>
#include <QString>
#include <optional>

// Files that are replaced whole: written through a temporary file in the same folder that
// takes the old file's place only when everything was written, so the old file stays
// whole on any failure. Writes are unbuffered: a buffered write that a full disk cuts short
// is not reported by the buffer's flush, and the short file would take the old one's place.
namespace wholefile {

// Each returns false on failure, with the reason in `error` when given.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Writes all of `bytes` to `file`. A write the disk cuts short is followed by one for the
// rest, which fails with the system's reason ("No space left on device"): the short write
// itself gives none.
bool writeAll(QFileDevice &file, QByteArrayView bytes);

// Copies `source` over `target`, creating the folders on the way.
bool copy(const QString &source, const QString &target, QString *error = nullptr);

// The bytes of a regular file (links followed) of at most `maxBytes`; nothing for anything
// else, with the reason in `error`. A pipe, a device or an endless file is never opened or
// read without end.
std::optional<QByteArray> read(const QString &path, qint64 maxBytes, QString *error = nullptr);

} // namespace wholefile
