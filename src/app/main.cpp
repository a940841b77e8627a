#include "appcontext.h"
#include "appinfo.h"
#include "messagebox.h"
#include "programfolder.h"
#include "settingsstore.h"
#include "splashwindow.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::executableName());
    QApplication::setApplicationVersion(appinfo::runningVersion());
    // Lets the desktop match the windows to the launcher entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("example.quillmoor.nvmonster"));
    // Set once the first window is up: decoding the pictures would delay it.
    QTimer::singleShot(0, &app, [] {
        QIcon icon;
        for (const char *size : {"32x32", "64x64", "256x256"})
            icon.addFile(QStringLiteral(":/icon/%1/example.quillmoor.nvmonster.png")
                             .arg(QLatin1StringView(size)));
        QApplication::setWindowIcon(icon);
    });

    SettingsStore store(SettingsStore::defaultPath());
    store.setFailureHandler(platform::showStoreFailure);

    AppContext context;
    context.store = &store;
    context.dataFolder = platform::prepareDataDir();
    context.endpoints =
        Endpoints::load(platform::programFolder() + QStringLiteral("/nvmonster.ini"));
    SplashWindow::start(context);
    return QApplication::exec();
}
