#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// The main window's remembered position: window edges stored as decimal text in twips
// (15 twips to a logical pixel).
namespace placement {

// The stored text of a window edge given in pixels.
QString edgeText(int pixels);

// The pixel edge a stored text names; nothing when the text is not a usable number.
std::optional<int> edgePixels(const QString &text);

// Where the window goes at load, given the stored "maintop" and "mainleft" texts, the
// window's current frame position and size, and the screens' available areas. Nothing
// means: leave the window where the windowing system places it. That is the case when
// "maintop" is empty, when a text is not a number, and when the window would not be
// reachable on any screen. An empty "mainleft" keeps the current left edge.
std::optional<QPoint> restoredPosition(const QString &top, const QString &left, QPoint current,
                                       QSize frameSize, const QList<QRect> &screens);

} // namespace placement
