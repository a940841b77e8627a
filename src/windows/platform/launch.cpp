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
