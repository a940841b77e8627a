#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// Colours that read in any theme: a colour the layout wants (navy, a warning red, the
// palette's link colour) is kept where it reads against the window, and otherwise made
// lighter or darker, hue kept, until it does.
namespace platform {

// Text, links included, at least this contrast against its background (WCAG's ratio).
constexpr double kTextContrast = 4.5;

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast(const QColor &a, const QColor &b);

// `wanted` when it stands at `ratio` against `background`; otherwise the same hue as
// little lighter or darker as gets there (black or white when nothing else does).
QColor readable(const QColor &wanted, const QColor &background, double ratio = kTextContrast);

// Whether the palette is a dark theme's: light text on a dark window.
bool isDark(const QPalette &palette);

// Gives `widget` (and what it holds) the text colour `wanted`, readable on the window
// colour behind it, and keeps it readable when the desktop's palette changes. The widget's
// palette is its text colour alone: for a widget that sets no other colour.
void keepTextColour(QWidget *widget, const QColor &wanted);
// The same with the palette's own colour of `role`, as for links.
void keepTextColour(QWidget *widget, QPalette::ColorRole role);

} // namespace platform
