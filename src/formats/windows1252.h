#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The monster data file is single-byte Windows-1252 text. Every one of the 256 byte
// values maps to a character: the five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control with the same number, so that
// no byte is ever lost or replaced.
namespace windows1252 {

QChar toUnicode(unsigned char byte);
QString decode(QByteArrayView bytes);

// Appends the decoded bytes to `out`; used when building one string from many pieces.
void decodeAppend(QByteArrayView bytes, QString &out);

// The inverse of decode(); characters outside the code page become '?'.
QByteArray encode(QStringView text);

} // namespace windows1252
