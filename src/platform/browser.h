#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

// Starts the web browser `browserPath` on `url`, detached, with the URL as its only
// argument: no shell and no command line built by joining texts. When the browser
// cannot be started the user is told; returns whether it started.
bool openPage(const QString &browserPath, const QString &url, QWidget *parent = nullptr);

// Lets tests see which pages would have opened: while enabled, openPage() records the
// URL and starts nothing.
namespace browsertesting {

void enable();
QStringList takeOpened();

} // namespace browsertesting

} // namespace platform
