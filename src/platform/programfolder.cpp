#include "programfolder.h"

#include "app/appinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

datafolder::Locations dataLocations()
{
    const QString folder = programFolder();
    return {folder + QStringLiteral("/data/"),
            QDir::cleanPath(folder + u'/' + appinfo::installedDataPath()) + u'/',
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/nvmonster/data/")};
}

QString prepareDataDir()
{
    const datafolder::Choice choice = datafolder::choose(dataLocations());
    if (!choice.seedFrom.isEmpty()) {
        const datafolder::SeedResult result = datafolder::seed(choice.seedFrom, choice.dataDir);
        // The main window names a missing data file itself; the rest is for the log.
        if (!result.failed.isEmpty())
            qWarning("Could not copy into %s: %s", qUtf8Printable(choice.dataDir),
                     qUtf8Printable(result.failed.join(QStringLiteral(", "))));
    }
    return choice.dataDir;
}

} // namespace platform
