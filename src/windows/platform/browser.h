#pragma once

#include <QString>

class QWidget;

namespace platform {

// Opens `url` in the web browser `browserPath`, with the URL as the browser's only
// argument. When the browser cannot be started the user is told; returns whether it
// started.
bool openPage(const QString &browserPath, const QString &url, QWidget *parent = nullptr);

} // namespace platform
