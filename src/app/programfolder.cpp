#include "programfolder.h"

#include "appinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace programfolder {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

dataseed::Locations dataLocations()
{
    const QString folder = programFolder();
    return {DataFolder(folder + QStringLiteral("/data/")),
            DataFolder(QDir::cleanPath(folder + u'/' + appinfo::installedDataPath())),
            DataFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                       QStringLiteral("/nvmonster/data/"))};
}

DataFolder prepareDataDir()
{
    const dataseed::Choice choice = dataseed::choose(dataLocations());
    if (!choice.seedFrom.isNull()) {
        const dataseed::SeedResult result = dataseed::seed(choice.seedFrom, choice.dataDir);
        // The main window names a missing data file itself; the rest is for the log.
        if (!result.failed.isEmpty())
            qWarning("Could not copy into %s: %s", qUtf8Printable(choice.dataDir.path()),
                     qUtf8Printable(result.failed.join(QStringLiteral(", "))));
    }
    return choice.dataDir;
}

} // namespace programfolder
