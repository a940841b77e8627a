#include "datafolder.h"

#include "monsters/windows1252.h"
#include "update/updatelist.h"
#include "update/versionfile.h"
#include "update/wholefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace datafolder {
namespace {

const QString kListFile = u"update.dat"_s;
const QString kVersionFile = u"vers.dat"_s;

// The entry naming `name` (the last one, as the downloader reads a list), or null.
const UpdateEntry *entryFor(const QList<UpdateEntry> &list, const QString &name)
{
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (safeDataFileName(it->fileName) == name)
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

bool copyWhole(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly) || !QDir().mkpath(QFileInfo(target).path()))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    return in.error() == QFileDevice::NoError && out.commit();
}

} // namespace

Choice choose(const Locations &locations)
{
    const QFileInfo portable(locations.portable);
    if (portable.isDir() && portable.isWritable())
        return {locations.portable, {}};
    return {locations.user, portable.isDir() ? locations.portable : locations.installed};
}

SeedResult seed(const QString &from, const QString &to)
{
    SeedResult result;
    if (!QFileInfo(from).isDir())
        return result;
    const QList<UpdateEntry> fromList = readLocalListFile(from + kListFile);
    QList<UpdateEntry> toList = readLocalListFile(to + kListFile);

    // The listed files first, in their order, so that a new list keeps it.
    QStringList names;
    for (const UpdateEntry &entry : fromList) {
        const QString name = safeDataFileName(entry.fileName);
        if (!name.isEmpty() && !names.contains(name) && QFileInfo(from + name).isFile())
            names.append(name);
    }
    QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = QDir(from).relativeFilePath(files.next());
        if (name != kListFile && name != kVersionFile && !names.contains(name))
            names.append(name);
    }

    for (const QString &name : std::as_const(names)) {
        const UpdateEntry *fromEntry = entryFor(fromList, name);
        const UpdateEntry *toEntry = entryFor(toList, name);
        const bool missing = !QFileInfo::exists(to + name);
        if (!missing && !(fromEntry && toEntry && isNewer(fromEntry->version, toEntry->version)))
            continue;
        if (!copyWhole(from + name, to + name)) {
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
        if (!writeWholeFile(to + kListFile, windows1252::encode(listText(toList))))
            result.failed.append(kListFile);
    }
    // The version claims the whole database: move it only when nothing is missing.
    const std::optional<QString> fromVersion = versionfile::readLocalVersion(from + kVersionFile);
    const std::optional<QString> toVersion = versionfile::readLocalVersion(to + kVersionFile);
    if (fromVersion && result.failed.isEmpty() &&
        (!toVersion || isNewer(*fromVersion, *toVersion))) {
        if (!copyWhole(from + kVersionFile, to + kVersionFile))
            result.failed.append(kVersionFile);
    }
    return result;
}

} // namespace datafolder
