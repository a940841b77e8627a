#include "browser.h"

#include "appinfo.h"
#include "launch.h"
#include "messagebox.h"

namespace platform {

bool openPage(const QString &browserPath, const QString &url, QWidget *parent)
{
    if (launch(browserPath, {url}))
        return true;
    showMessage(parent, appinfo::title(),
                QStringLiteral("The web browser could not be started, so %1 was not opened."
                               "\r\n\r\nBrowser: %2")
                    .arg(url, browserPath),
                Buttons::Ok);
    return false;
}

} // namespace platform
