#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// Starts `program` as a separate process with `arguments`, each passed as it is: no
// shell and no command line built by joining texts. Nothing waits for it. Returns
// whether it started.
bool launch(const QString &program, const QStringList &arguments = {});

// Starts `program` as launch() does and watches it without waiting: `failed` runs, from the
// event loop, with what went wrong ("could not be started", "ended with status 3",
// "crashed") when it cannot be started or ends unsuccessfully, as a launcher such as
// xdg-open does when it finds no browser. The program outlives this one when it runs on.
void launchWatched(const QString &program, const QStringList &arguments,
                   std::function<void(const QString &what)> failed);

// Lets tests see which programs would have started: while enabled, launch() and
// launchWatched() record the call and start nothing.
namespace launchtesting {

struct Launch
{
    QString program;
    QStringList arguments;
    friend bool operator==(const Launch &, const Launch &) = default;
};

void enable();
// The next launch fails, as with a browser that is not installed.
void failNext();
QList<Launch> takeLaunched();

} // namespace launchtesting

} // namespace platform
