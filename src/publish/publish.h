#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Publishing a data folder to the maker's web site folder, which is served at a base
// address. A publication writes, below the site folder:
//   monster/files/<name>   every data file, named as the downloader stores it
//   monster/update.dat     the update list, each file with its version, size and address
//   monster/vers.dat       the database version, unquoted
//   nvpublish-history.txt  every database version published there, so none comes twice
namespace publish {

// Something found in a data or site file; line 0 is the file as a whole.
struct Finding
{
    QString file; // the path, below the folder as it was given
    qsizetype line = 0;
    QString message;
    // Published, it would break the update for players: nothing is written.
    bool refuses = false;

    // "file:line: message", or "file: message" for the whole file.
    QString text() const;
};

struct Check
{
    QList<Finding> findings;
    qsizetype records = 0;
    qsizetype files = 0;
};

// Every data file's name below `dataDir` with "/" separators, the database first, then
// sorted; the folder's own update.dat and vers.dat are not data files.
QStringList dataFileNames(const QString &dataDir);

// Checks a data folder. Refused: names the downloader would refuse or that update.dat
// cannot carry, files over the list's 32-bit size, a missing cml.nmd, and cml.nmd lines
// that do not read back as exactly one record. Reported: records without 14 pieces,
// pictures named but missing, files nothing names, bytes Windows-1252 does not define
// and control characters, names used twice.
Check checkDataFolder(const QString &dataDir);

// A changed file's version: the old one plus one when it is a whole number, else 1 (as
// for a new file, whose old version is empty).
QString nextFileVersion(const QString &old);

// A database version "YYYYMMDDn" whose first nine characters, all the program compares,
// differ from those of every earlier one. Counts from today, or from the newest earlier
// date of this form when that is later (a clock set back); after the ninth of a day, the
// next day's date is taken.
QString nextDatabaseVersion(QDate today, const QStringList &earlier);

struct Request
{
    QString dataDir;
    QString siteDir;
    QString baseUrl; // where siteDir is served
    QDate today = QDate::currentDate();
};

enum class Change { New, Changed, Unchanged, Dropped };
inline constexpr int kChangeKinds = int(Change::Dropped) + 1;

struct FileChange
{
    QString name;
    Change change = Change::New;
    QString version;
    qint64 size = 0;
};

struct Outcome
{
    QList<Finding> refusals; // when any, nothing was written
    QList<Finding> notes;    // the check's findings that do not stop publishing
    QList<FileChange> files; // in list order, the dropped ones last
    QString databaseVersion; // the new one, or the site's current one
    bool written = false;    // false when nothing changed or something was refused
    QString writeError;      // the file that could not be written; a run again finishes
};

// Publishes `request.dataDir`: data files that changed first, then update.dat, then
// vers.dat, each replaced whole; when nothing changed, writes nothing.
Outcome publish(const Request &request);

QString historyName();

} // namespace publish
