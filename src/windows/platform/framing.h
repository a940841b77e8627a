#pragma once

#include "placement.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Windows are placed by their frame's outer corner, as positions are stored. The frame is
// the window manager's and only known once a window is shown, and the toolkit's idea of
// where a new window is can lag behind where the window manager put it, so the corner is
// read from the window system and a new window is put right, wholly on a screen, once it is
// framed.
namespace platform {

// Where the window's frame really has its outer corner.
QPoint frameCorner(const QWidget *window);

// Where a widget really is on the screen.
QRect onScreen(const QWidget *widget);

// Puts a window that is not shown yet so that its frame's corner lands at `frameTopLeft`,
// or nearer, so that the frame lies wholly on a screen.
void placeFrame(QWidget *window, QPoint frameTopLeft);

// Puts a window that is about to open centred over `over`'s window and wholly on the
// screen, its frame taken to be as thick as the other window's.
void centreOver(QWidget *window, const QWidget *over);

// Puts a window that is about to open beside `main`, clear of `record` (a part of it, on
// the screen) where it can be, made smaller down to `least` for that; `last` is where the
// user last put it (placement::beside).
void placeBeside(QWidget *window, const QWidget *main, QRect record, QSize least,
                 const placement::Stored &last);

// Puts a window that is not shown yet at its stored place, its inner size too when stored,
// wholly on a screen; false when nothing usable is stored and the window was left where it
// was.
bool restoreFrame(QWidget *window, const placement::Stored &stored);

// The window's place as it is stored: its frame's corner and its inner size.
placement::Stored storedFrame(const QWidget *window);

// The largest inner size the window can have on its screen. A window asks no more than
// this as its minimum; what does not fit then scrolls.
QSize room(const QWidget *window);

} // namespace platform
