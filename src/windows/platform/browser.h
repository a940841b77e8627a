#pragma once

#include <QString>

class QWidget;

namespace platform {

// Opens `url` in the web browser `browserPath`, with the URL as the browser's only
// argument. When the browser cannot be started, or ends unsuccessfully (a launcher that
// finds no browser), the user is told, over `parent` while it is still open.
void openPage(const QString &browserPath, const QString &url, QWidget *parent = nullptr);

} // namespace platform
