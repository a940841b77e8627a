#pragma once

// The monster pictures: one friendly creature per record, its shape and colours chosen from
// the name, written as GIF, ICO, BMP or JPEG.

#include <QString>
#include <QStringList>

class QPainter;

enum class PictureFormat { Gif, Ico, Bmp, Jpeg };

// The format follows the extension, whatever its case.
PictureFormat pictureFormat(const QString &path);

// Draws the picture for `record` to `path`, in the format its extension names. `seed` varies
// the picture between records of the same name.
void writePicture(const QString &path, const QStringList &record, quint32 seed);

// The monster alone, on a 100 x 100 canvas, so the splash banner can stand it in a landscape.
void drawCreature(QPainter &p, const QStringList &record, quint32 seed);
