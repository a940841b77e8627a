#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Publishing a data folder to the maker's web site folder, which is served at a base
// address. A publication writes, below the site folder:
//   monster/files/<database version>/<name>  each file that changed, at an address that is
//                          never written again, so an older update.dat still finds its bytes
//   monster/update.dat     the update list, each file with its version, size and address
//   monster/vers.dat       the database version, unquoted
//   nvpublish-history.txt  the record: every database version published there, the
//                          greatest version each name ever had, and the files put there
// and then brings the data folder's own update.dat and vers.dat to what it published.
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
    // Every data file's name below the folder with "/" separators, the database first,
    // then sorted; the folder's own update.dat and vers.dat are not data files.
    QStringList names;
    qsizetype records = 0;
};

// Checks a data folder. Refused: names the downloader would refuse or that update.dat
// cannot carry, or that are not UTF-8 on disk; links that lead out of the folder or
// nowhere, and anything that is no regular file; files over the list's 32-bit size; a
// missing or unreadable cml.nmd, one saved as UTF-8, and cml.nmd lines that do not read
// back as exactly one record. Reported: records without 14 pieces, pictures named but
// missing, files nothing names, bytes Windows-1252 does not define and control characters,
// names used twice. Links that stay inside the folder are followed.
Check checkDataFolder(const QString &dataDir);

// A changed file's version: the old one plus one when it is a whole number, else 1 (as
// for a new file, whose old version is empty).
QString nextFileVersion(const QString &old);

// A database version "YYYYMMDDn" whose first nine characters, all the program compares,
// differ from those of every earlier one. Counts from today, or from the newest earlier
// date of this form when that is later (a clock set back); after the ninth of a day, the
// next day's date is taken.
QString nextDatabaseVersion(QDate today, const QStringList &earlier);

// The steps of a publication that change the site, in order.
enum class Step {
    Recorded,  // the record holds the new database version and every file it will list
    Copied,    // one changed file is at its new address (once for each)
    Listed,    // monster/update.dat lists the new release
    Versioned, // monster/vers.dat names it
    Pruned,    // the files no recent release lists are gone
};

struct Request
{
    QString dataDir;
    QString siteDir;
    QString baseUrl; // where siteDir is served
    QDate today = QDate::currentDate();
    // For how many later publications a file that the list no longer names stays, for
    // players still fetching what an earlier update.dat listed.
    int keep = 3;
    // How long to wait for another publication into the same site to end.
    int waitSeconds = 30;
    // Called after each step; returning false stops the run there, as a kill would.
    std::function<bool(Step)> afterStep = {};
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
    // The data folder's update.dat and vers.dat were brought to the published release.
    bool dataFolderWritten = false;
    qsizetype removed = 0; // old files that no recent release lists
    // "<path>: <reason>" of the write that failed. The site still serves a whole release;
    // a run again finishes.
    QString writeError;
};

// Publishes `request.dataDir`, holding the site's lock: checks everything first, then
// writes the changed files, update.dat, vers.dat and last the data folder's own lists,
// each put in place whole; when nothing changed, writes nothing to the site.
Outcome publish(const Request &request);

QString historyName();
QString lockName();

} // namespace publish
