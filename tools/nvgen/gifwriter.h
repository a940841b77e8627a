#pragma once

#include <QByteArray>
#include <QImage>

// A small GIF89a writer: Qt's own GIF plugin can only read.
namespace gif {

// Reduces `image` to an Indexed8 image of at most 256 colours. An image with few enough
// colours keeps them exactly; otherwise the palette is chosen by median cut and every pixel
// takes its nearest palette colour. Alpha is dropped: the pictures written here are opaque.
// The result depends only on the pixels, so reruns give identical files.
QImage toIndexed(const QImage &image);

// The complete GIF file for an Indexed8 image: one frame, a global colour table and
// LZW-compressed pixels. Returns an empty array for an empty or non-indexed image.
QByteArray encode(const QImage &indexed);

} // namespace gif
