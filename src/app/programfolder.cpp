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

DataFolder prepareDataDir(QString *notWritable)
{
    const dataseed::Prepared prepared = dataseed::prepare(dataLocations());
    // The main window names a missing data file itself; the rest is for the log.
    if (!prepared.seeded.failed.isEmpty())
        qWarning("Could not copy into %s: %s", qUtf8Printable(prepared.dataDir.path()),
                 qUtf8Printable(prepared.seeded.failed.join(QStringLiteral(", "))));
    if (notWritable)
        *notWritable = prepared.notWritable;
    return prepared.dataDir;
}

} // namespace programfolder
