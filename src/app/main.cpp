#include "app/appcontext.h"
#include "app/appinfo.h"
#include "mainwindow/monsterwindow.h"
#include "platform/messagebox.h"
#include "platform/programfolder.h"
#include "settings/settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::executableName());
    QApplication::setApplicationVersion(appinfo::runningVersion());

    SettingsStore store(SettingsStore::defaultPath());
    store.setFailureHandler(platform::showStoreFailure);

    const AppContext context{&store, platform::dataDir()};
    MonsterWindow::showWindow(context);
    return QApplication::exec();
}
