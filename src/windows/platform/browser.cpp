#include "browser.h"

#include "appinfo.h"
#include "launch.h"
#include "messagebox.h"

#include <QPointer>
#include <QWidget>

namespace platform {

void openPage(const QString &browserPath, const QString &url, QWidget *parent)
{
    // Said over the window when it is still open, on its own when it has closed meanwhile.
    const QPointer<QWidget> over = parent;
    launchWatched(browserPath, {url}, [over, browserPath, url](const QString &what) {
        showMessage(over, appinfo::title(),
                    QStringLiteral("The web browser %1, so %2 was not opened."
                                   "\r\n\r\nBrowser: %3")
                        .arg(what, url, browserPath),
                    Buttons::Ok);
    });
}

} // namespace platform
