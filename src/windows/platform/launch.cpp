#include "launch.h"

#include <QProcess>

namespace platform {
namespace {

struct TestState
{
    bool enabled = false;
    bool failNext = false;
    QList<launchtesting::Launch> launched;
};

TestState &testState()
{
    static TestState state;
    return state;
}

} // namespace

bool launch(const QString &program, const QStringList &arguments)
{
    TestState &test = testState();
    if (test.enabled) {
        test.launched.append({program, arguments});
        return !std::exchange(test.failNext, false);
    }
    return QProcess::startDetached(program, arguments);
}

void launchWatched(const QString &program, const QStringList &arguments,
                   std::function<void(const QString &what)> failed)
{
    TestState &test = testState();
    if (test.enabled) {
        test.launched.append({program, arguments});
        if (std::exchange(test.failNext, false))
            failed(QStringLiteral("could not be started"));
        return;
    }
    // Held by an owner that is never destroyed: a process object destroyed at exit would
    // kill a browser still running.
    static QObject *const watched = new QObject;
    auto *process = new QProcess(watched);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         failed(QStringLiteral("could not be started"));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int status, QProcess::ExitStatus exit) {
                         if (exit == QProcess::CrashExit)
                             failed(QStringLiteral("crashed"));
                         else if (status != 0)
                             failed(QStringLiteral("ended with status %1").arg(status));
                         process->deleteLater();
                     });
    process->start(program, arguments);
}

namespace launchtesting {

void enable()
{
    testState().enabled = true;
}

void failNext()
{
    testState().failNext = true;
}

QList<Launch> takeLaunched()
{
    return std::exchange(testState().launched, {});
}

} // namespace launchtesting

} // namespace platform
