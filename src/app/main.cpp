#include "app/appcontext.h"
#include "app/appinfo.h"
#include "app/splashwindow.h"
#include "platform/messagebox.h"
#include "platform/programfolder.h"
#include "settings/settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::executableName());
    QApplication::setApplicationVersion(appinfo::runningVersion());

    SettingsStore store(SettingsStore::defaultPath());
    store.setFailureHandler(platform::showStoreFailure);

    AppContext context;
    context.store = &store;
    context.dataDir = platform::dataDir();
    context.endpoints =
        Endpoints::load(platform::programFolder() + QStringLiteral("/nvmonster.ini"));
    SplashWindow::start(context);
    return QApplication::exec();
}
