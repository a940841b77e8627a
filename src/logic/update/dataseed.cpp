#include "dataseed.h"

#include "updatelist.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

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

// Database versions are numbers in practice; where either is not, the user's data is kept.
bool isNewer(const QString &version, const QString &than)
{
    bool isNumber = false;
    bool thanIsNumber = false;
    const double value = version.trimmed().toDouble(&isNumber);
    const double thanValue = than.trimmed().toDouble(&thanIsNumber);
    return isNumber && thanIsNumber && value > thanValue;
}

} // namespace

SeedResult seed(const DataFolder &from, const DataFolder &to)
{
    SeedResult result;
    if (!QFileInfo(from.path()).isDir())
        return result;
    const QList<UpdateEntry> fromList = readLocalListFile(from.listFile());
    QList<UpdateEntry> toList = readLocalListFile(to.listFile());
    const std::optional<QString> fromVersion = versionfile::readLocalVersion(from.versionFile());
    const std::optional<QString> toVersion = versionfile::readLocalVersion(to.versionFile());
    const bool newer = fromVersion && (!toVersion || isNewer(*fromVersion, *toVersion));
    const auto failed = [&result](const QString &name, const QString &why) {
        if (result.failed.isEmpty())
            result.problem = why;
        result.failed.append(name);
    };

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
        const bool missing = !QFileInfo(to.file(name)).isFile();
        // A file the user's list does not name is the user's own.
        const bool replaced =
            newer && fromEntry && toEntry &&
            (fromEntry->version != toEntry->version || fromEntry->size != toEntry->size);
        if (!missing && !replaced)
            continue;
        if (QString why; !wholefile::copy(from.file(name), to.file(name), &why)) {
            failed(name, why);
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

    QString why;
    if (!result.copied.isEmpty() &&
        !wholefile::write(to.listFile(), windows1252::encode(listText(toList)), &why))
        failed(DataFolder::listName(), why);
    // The version claims the whole database: move it only when nothing is missing.
    if (newer && result.failed.isEmpty() &&
        !wholefile::copy(from.versionFile(), to.versionFile(), &why))
        failed(DataFolder::versionName(), why);
    return result;
}

QString whyNotWritable(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return u"the folder %1 cannot be made"_s.arg(QDir::toNativeSeparators(folder));
    QTemporaryFile probe(QDir(folder).filePath(u"probe"_s));
    if (!probe.open())
        return u"%1 cannot be written: %2"_s.arg(QDir::toNativeSeparators(folder),
                                                 probe.errorString());
    return {};
}

Prepared prepare(const Locations &locations, const WritableTest &whyNot)
{
    const bool portable = QFileInfo(locations.portable.path()).isDir();
    if (portable && whyNot(locations.portable.path()).isEmpty())
        return {locations.portable, {}, {}};
    const DataFolder &source = portable ? locations.portable : locations.installed;
    const DataFolder &user = locations.user;
    Prepared prepared{user, whyNot(user.path()), {}};
    const auto holdsDatabase = [&user] { return QFileInfo(user.databaseFile()).isFile(); };
    if (prepared.notWritable.isEmpty()) {
        prepared.seeded = seed(source, user);
        // A folder that cannot take the database cannot take its updates either (a full
        // disk); one that missed a picture still works, and its next update says why.
        if (!prepared.seeded.failed.isEmpty() && !holdsDatabase())
            prepared.notWritable = u"%1 cannot be copied into %2: %3"_s.arg(
                prepared.seeded.failed.join(u", "_s), QDir::toNativeSeparators(user.path()),
                prepared.seeded.problem);
    }
    if (!prepared.notWritable.isEmpty() && !holdsDatabase())
        prepared.dataDir = source;
    return prepared;
}

} // namespace dataseed
