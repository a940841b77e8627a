#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// Where windows go. Stored places are decimal text in twips, 15 to a device pixel (a pixel
// at the default scale), so that a window saved at one scale factor opens on the same spot
// at another. The decisions work in the toolkit's logical pixels, on the screens' areas.
namespace placement {

// A screen as the toolkit gives it: its whole area and the part windows may use, in logical
// pixels, and device pixels per logical pixel. Its top left corner is the same in both.
struct Screen
{
    QRect geometry;
    QRect available;
    qreal ratio = 1;
};

// A window's place as stored: its frame's outer corner and its inner size, each text in
// twips. The seed's keys hold the corner; the size may be missing.
struct Stored
{
    QString top;
    QString left;
    QString width;
    QString height;
};

// The stored text of a length given in device pixels.
QString edgeText(int devicePixels);

// The device pixels a stored text names; nothing when the text is not a usable number.
std::optional<int> edgePixels(const QString &text);

// The device pixel of a logical point, and back, by the screen that holds it (the first
// screen, the primary, when none does).
QPoint toDevice(QPoint logical, const QList<Screen> &screens);
QPoint toLogical(QPoint device, const QList<Screen> &screens);

// `frame` moved, and made smaller where it must be, so that it lies wholly on the available
// area of the screen that holds most of it, or of the primary screen when none holds any.
QRect fitted(QRect frame, const QList<Screen> &screens);

// Where a window's frame goes at load: `current` is where the window system would put it
// and `frame` its frame's thickness. Nothing means: leave it there; that is the case when
// the top is empty or a text is not a number. An empty left edge keeps the current one, an
// empty or unusable size the current size.
std::optional<QRect> restoredFrame(const Stored &stored, QRect current, QMargins frame,
                                   const QList<Screen> &screens);

// Where a window of frame size `size` opens beside the main window (`mainFrame`) so that
// it does not hide the record (`record`): at `last`, where the user put it before, when that
// is wholly on a screen and clear of the record; else beside the main window where the
// screen has room (right, left, below, above), for all of it or else for no less than
// `least`; else where it hides least of the record.
QRect beside(QSize size, QSize least, QRect mainFrame, QRect record, std::optional<QPoint> last,
             const QList<Screen> &screens);

} // namespace placement
