#pragma once

#include <QPoint>
#include <QString>
#include <utility>

class QWidget;

// Windows are placed by their frame's outer corner, as positions are stored. The frame is
// the window manager's and only known once a window is shown, and the toolkit's idea of
// where a new window is can lag behind where the window manager put it, so the corner is
// read from the window system and a new window is put right once it is framed.
namespace platform {

// Where the window's frame really has its outer corner.
QPoint frameCorner(const QWidget *window);

// Puts a window that is not shown yet so that its frame's corner lands at `frameTopLeft`.
void placeFrame(QWidget *window, QPoint frameTopLeft);

// Puts a window that is about to open centred over `over`'s window and wholly on the
// screen, its frame taken to be as thick as the other window's.
void centreOver(QWidget *window, const QWidget *over);

// Puts a window that is not shown yet with its frame's corner at the stored edges (texts
// in twips, as in section "placement"), when they name a place that can be reached on a
// screen; false when they do not and the window was left where it was.
bool placeAtStoredEdges(QWidget *window, const QString &top, const QString &left);

// The window's frame corner as it is stored: the top edge, then the left.
std::pair<QString, QString> storedEdges(const QWidget *window);

} // namespace platform
