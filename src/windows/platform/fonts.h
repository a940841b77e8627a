#pragma once

#include <QFont>
#include <QString>

namespace platform {

enum FontStyle { Regular = 0, Bold = 1, Italic = 2 };

// The font a layout names, with close free families to fall back on where it is not
// installed.
QFont layoutFont(const QString &family, qreal pointSize, int style = Regular);

// The windows' ordinary text: "MS Sans Serif" 8.25 pt.
QFont dialogFont(int style = Regular);

} // namespace platform
