#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// Starts `program` as a separate process with `arguments`, each passed as it is: no
// shell and no command line built by joining texts. Nothing waits for it. Returns
// whether it started.
bool launch(const QString &program, const QStringList &arguments = {});

// Lets tests see which programs would have started: while enabled, launch() records the
// call and starts nothing.
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
