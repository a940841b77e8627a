#pragma once

#include <QPoint>

class QWidget;

namespace platform {

// Puts a window's frame, its outer corner, at `frameTopLeft`. Before a window manager has
// framed a new window its frame is not known, so the window is put there again once it
// is: a position saved from the frame comes back as it was, session after session.
void placeFrame(QWidget *window, QPoint frameTopLeft);

// Puts a window that is about to open centred over `over`'s window and wholly on the
// screen, its frame taken to be as thick as the other window's.
void centreOver(QWidget *window, const QWidget *over);

} // namespace platform
