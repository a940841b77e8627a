#include "dataseed.h"

#include "updatelist.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace dataseed {
namespace {

// The entry naming `name` (the last one, as the downloader reads a list), or null.
const UpdateEntry *entryFor(const QList<UpdateEntry> &list, const QString &name)
{
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (DataFolder::safeName(it->fileName) == name)
            return &*it;
    }
    return nullptr;
}

// Versions are numbers in practice; where either is not, the user's file is kept.
bool isNewer(const QString &version, const QString &than)
{
    bool isNumber = false;
    bool thanIsNumber = false;
    const double value = version.trimmed().toDouble(&isNumber);
    const double thanValue = than.trimmed().toDouble(&thanIsNumber);
    return isNumber && thanIsNumber && value > thanValue;
}

} // namespace

Choice choose(const Locations &locations)
{
    const QFileInfo portable(locations.portable.path());
    if (portable.isDir() && portable.isWritable())
        return {locations.portable, {}};
    return {locations.user, portable.isDir() ? locations.portable : locations.installed};
}

SeedResult seed(const DataFolder &from, const DataFolder &to)
{
    SeedResult result;
    if (!QFileInfo(from.path()).isDir())
        return result;
    const QList<UpdateEntry> fromList = readLocalListFile(from.listFile());
    QList<UpdateEntry> toList = readLocalListFile(to.listFile());

    // The listed files first, in their order, so that a new list keeps it.
    QStringList names;
    for (const UpdateEntry &entry : fromList) {
        const QString name = DataFolder::safeName(entry.fileName);
        if (!name.isEmpty() && !names.contains(name) && QFileInfo(from.file(name)).isFile())
            names.append(name);
    }
    QDirIterator files(from.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = QDir(from.path()).relativeFilePath(files.next());
        if (!DataFolder::safeName(name).isEmpty() && !names.contains(name))
            names.append(name);
    }

    for (const QString &name : std::as_const(names)) {
        const UpdateEntry *fromEntry = entryFor(fromList, name);
        const UpdateEntry *toEntry = entryFor(toList, name);
        const bool missing = !QFileInfo::exists(to.file(name));
        if (!missing && !(fromEntry && toEntry && isNewer(fromEntry->version, toEntry->version)))
            continue;
        if (!wholefile::copy(from.file(name), to.file(name))) {
            result.failed.append(name);
            continue;
        }
        result.copied.append(name);
        if (!fromEntry)
            continue;
        // The copied file is now at the installed version.
        if (toEntry)
            toList[toEntry - toList.constData()] = *fromEntry;
        else
            toList.append(*fromEntry);
    }

    if (!result.copied.isEmpty()) {
        if (!wholefile::write(to.listFile(), windows1252::encode(listText(toList))))
            result.failed.append(DataFolder::listName());
    }
    // The version claims the whole database: move it only when nothing is missing.
    const std::optional<QString> fromVersion = versionfile::readLocalVersion(from.versionFile());
    const std::optional<QString> toVersion = versionfile::readLocalVersion(to.versionFile());
    if (fromVersion && result.failed.isEmpty() &&
        (!toVersion || isNewer(*fromVersion, *toVersion))) {
        if (!wholefile::copy(from.versionFile(), to.versionFile()))
            result.failed.append(DataFolder::versionName());
    }
    return result;
}

} // namespace dataseed
