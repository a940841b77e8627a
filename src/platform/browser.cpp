#include "browser.h"

#include "app/appinfo.h"
#include "platform/messagebox.h"

#include <QProcess>

namespace platform {
namespace {

struct TestState
{
    bool enabled = false;
    QStringList opened;
};

TestState &testState()
{
    static TestState state;
    return state;
}

} // namespace

bool openPage(const QString &browserPath, const QString &url, QWidget *parent)
{
    if (testState().enabled) {
        testState().opened.append(url);
        return true;
    }
    if (QProcess::startDetached(browserPath, {url}))
        return true;
    showMessage(parent, appinfo::title(),
                QStringLiteral("The web browser could not be started, so %1 was not opened."
                               "\r\n\r\nBrowser: %2")
                    .arg(url, browserPath),
                Buttons::Ok);
    return false;
}

namespace browsertesting {

void enable()
{
    testState().enabled = true;
}

QStringList takeOpened()
{
    return std::exchange(testState().opened, {});
}

} // namespace browsertesting

} // namespace platform
