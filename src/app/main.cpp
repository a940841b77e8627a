#include "appinfo.h"
#include "program.h"
#include "programfolder.h"
#include "settingsstore.h"
#include "singlecopy.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appinfo::executableName());
    QApplication::setApplicationVersion(appinfo::runningVersion());
    // Lets the desktop match the windows to the launcher entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("example.quillmoor.nvmonster"));
    // The program knows its windows: an Options window left open keeps it running after
    // the main window has closed, although it is a tool window.
    QApplication::setQuitOnLastWindowClosed(false);
    // Set once the first window is up: decoding the pictures would delay it.
    QTimer::singleShot(0, &app, [] {
        QIcon icon;
        for (const char *size : {"32x32", "64x64", "256x256"})
            icon.addFile(QStringLiteral(":/icon/%1/example.quillmoor.nvmonster.png")
                             .arg(QLatin1StringView(size)));
        QApplication::setWindowIcon(icon);
    });

    SettingsStore store(SettingsStore::defaultPath());

    Program::Setup setup;
    setup.store = &store;
    setup.folder = programfolder::prepareDataDir(&setup.updatesBlocked);
    // A second start on the same data folder brings the running copy forward instead.
    SingleCopy single(setup.folder.path());
    if (single.handedOver())
        return 0;
    // The user's addresses file over the one beside the executable, which for an installed
    // copy is in a system folder that the user cannot write.
    const QString ini = QStringLiteral("/nvmonster.ini");
    setup.endpoints = Endpoints::load(QFileInfo(SettingsStore::defaultPath()).path() + ini,
                                      Endpoints::load(programfolder::programFolder() + ini));
    Program program(std::move(setup));
    QObject::connect(&program, &Program::lastWindowClosed, &app, &QCoreApplication::quit);
    QObject::connect(&single, &SingleCopy::forwardRequested, &program, &Program::bringToFront);
    program.start();
    return QApplication::exec();
}
