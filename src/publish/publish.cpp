#include "publish.h"

#include "datafolder.h"
#include "monstertable.h"
#include "recordview.h"
#include "updatelist.h"
#include "versionfile.h"
#include "windows1252.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QUrl>
#include <algorithm>
#include <dirent.h>
#include <limits>

using namespace Qt::StringLiterals;

namespace publish {
namespace {

// update.dat holds a size as a 32-bit signed integer.
constexpr qint64 kMaxSize = std::numeric_limits<qint32>::max();
const QString kPending = u"pending "_s;
// Every published file lies below this folder of the site.
const QString kFiles = u"monster/files/"_s;

const char16_t *const kFieldNames[MonsterRecord::FieldCount] = {
    u"name",           u"hit points", u"level",          u"experience",   u"treasure",
    u"description",    u"area",       u"hostile",        u"undead",       u"picture",
    u"job experience", u"size",       u"weapon defence", u"magic defence"};

// A list, version or record file; nothing when it is missing, no regular file (a pipe is
// never waited on) or larger than any of them can be.
QByteArray readAll(const QString &path)
{
    QFile file(path);
    const QFileInfo info(path);
    return info.isFile() && info.size() <= 4 * kMaxListBytes && file.open(QIODevice::ReadOnly)
               ? file.readAll()
               : QByteArray();
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!QFileInfo(b).isFile() || !first.open(QIODevice::ReadOnly) ||
        !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 16) != second.read(1 << 16))
            return false;
    }
    return first.error() == QFileDevice::NoError && second.error() == QFileDevice::NoError;
}

// The lines of the data file as its reader ends them: CR LF, a lone LF or a lone CR.
QList<QByteArrayView> lines(QByteArrayView bytes)
{
    QList<QByteArrayView> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        result.append(bytes.sliced(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        result.append(bytes.sliced(start));
    return result;
}

// What keeps a text from being an update.dat field that reads back the same.
QString fieldProblem(QStringView text)
{
    if (text.contains(u','))
        return u"a comma, which would split its update.dat line"_s;
    if (text.contains(u'"'))
        return u"a double quote, which the program's copy of update.dat reads as a quote"_s;
    if (std::any_of(text.begin(), text.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        return u"a line break or another control character"_s;
    if (text.startsWith(u' ') || text.endsWith(u' '))
        return u"a space at its start or end, which update.dat drops"_s;
    if (windows1252::decode(windows1252::encode(text)) != text)
        return u"a character that Windows-1252 cannot hold"_s;
    return {};
}

QString nameProblem(const QString &name)
{
    if (const QString problem = fieldProblem(name); !problem.isEmpty())
        return u"the name holds "_s + problem;
    if (name.contains(u'\\'))
        return u"the name holds a \\, which the downloader takes for a folder separator"_s;
    if (DataFolder::safeName(name) != name)
        return u"the downloader refuses this name"_s;
    return {};
}

// Why a line of cml.nmd that the reader does not take as exactly itself goes wrong.
QString readBackProblem(QByteArrayView line, qsizetype records)
{
    if (line.front() == ' ' || line.front() == '\t')
        return u"starts with a blank, which the reader drops"_s;
    if (line.contains(','))
        return u"a comma splits it into %1 records (write \u00a1 for a comma)"_s.arg(records);
    return u"holds a double quote, which the reader takes for the start of a quoted text"_s;
}

// The first byte of a record that Windows-1252 leaves undefined or that is a control
// character, with the field it is in.
QString textProblem(QByteArrayView line)
{
    int field = 0;
    for (const char c : line) {
        const auto byte = uchar(c);
        if (c == '|')
            ++field;
        const bool undefined =
            byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (undefined || byte < 0x20 || byte == 0x7F) {
            return u"the %1 holds byte 0x%2, %3"_s.arg(
                QStringView(kFieldNames[std::min(field, MonsterRecord::FieldCount - 1)]),
                QString::number(byte, 16).toUpper().rightJustified(2, u'0'),
                undefined ? u"which Windows-1252 does not define"_s : u"a control character"_s);
        }
    }
    return {};
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return !utf8.hasError();
}

// A database saved as UTF-8 shows players every accented letter as two ("Å½arn" for
// "Žarn") and a byte-order mark as "ï»¿" before the first name. Sets `number` to the line
// where it shows first.
QString utf8Problem(QByteArrayView bytes, qsizetype &number)
{
    constexpr QByteArrayView kMark("\xEF\xBB\xBF");
    number = 0;
    for (const QByteArrayView line : lines(bytes)) {
        ++number;
        if (number == 1 && line.startsWith(kMark)) {
            const QByteArrayView name = line.first(std::max(line.indexOf('|'), kMark.size()));
            return u"starts with a UTF-8 byte-order mark, and players would see \"%1\": save "
                   u"it as Windows-1252 without the mark"_s.arg(windows1252::decode(name));
        }
        const auto high = std::find_if(line.begin(), line.end(), [](char c) { return c < 0; });
        if (high == line.end())
            continue;
        // Windows-1252 text with any letter beyond ASCII is almost never valid UTF-8.
        if (!isUtf8(bytes))
            return {};
        const qsizetype at = high - line.begin();
        const qsizetype start = line.first(at).lastIndexOf('|') + 1;
        const qsizetype end = line.indexOf('|', at) < 0 ? line.size() : line.indexOf('|', at);
        const QByteArrayView field = line.sliced(start, end - start);
        return u"is saved as UTF-8, and players would see \"%1\" for \"%2\": save it as "
               u"Windows-1252 (iconv -f UTF-8 -t WINDOWS-1252 converts it)"_s.arg(
                   windows1252::decode(field).left(60), QString::fromUtf8(field).left(60));
    }
    return {};
}

void checkDatabase(const QDir &dir, const QString &path, Check &check, QSet<QString> &named)
{
    // A regular file: the walk found it so.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.findings.append({path, 0, u"cannot be read: "_s + file.errorString(), true});
        return;
    }
    const QByteArray bytes = file.readAll();
    qsizetype number = 0;
    if (const QString problem = utf8Problem(bytes, number); !problem.isEmpty())
        check.findings.append({path, number, problem, true});
    QHash<QString, qsizetype> firstLine;
    number = 0;
    for (const QByteArrayView line : lines(bytes)) {
        ++number;
        const auto finding = [&](const QString &message, bool refuses = false) {
            check.findings.append({path, number, message, refuses});
        };
        // Each line alone: the whole file reads as these lines exactly when every
        // line reads as itself.
        const MonsterTable alone = MonsterTable::parse(line.toByteArray());
        if (alone.isEmpty())
            continue; // a blank line, which the reader skips
        ++check.records;
        if (alone.size() != 1 || alone.row(0).bytes() != line)
            finding(readBackProblem(line, alone.size()), true);
        if (const qsizetype pieces = line.count('|') + 1; pieces != MonsterRecord::FieldCount)
            finding(
                u"%1 pieces; a record has %2"_s.arg(pieces).arg(int(MonsterRecord::FieldCount)));
        if (const QString problem = textProblem(line); !problem.isEmpty())
            finding(problem);

        const MonsterRecord record = alone.row(0);
        const QString name = record.listText();
        if (const auto first = firstLine.constFind(name); first != firstLine.cend())
            finding(u"\"%1\" is also the name on line %2"_s.arg(name, QString::number(*first)));
        else
            firstLine.insert(name, number);

        const QString picture = record.field(MonsterRecord::Picture);
        if (picture.isEmpty())
            continue;
        // Found as the program finds it.
        const DataFolder folder(dir.path());
        const QString path = viewOf(record, folder).picturePath;
        const QString file = path.mid(folder.path().size());
        if (path.isEmpty())
            finding(u"the picture name \"%1\" is not a safe name"_s.arg(picture));
        else if (!QFileInfo(path).isFile())
            finding(u"the picture %1 is missing"_s.arg(file));
        else
            named.insert(file);
    }
}

// Nothing below an address may need a quote, comma or blank in update.dat.
QString baseUrlProblem(const QString &base)
{
    const QUrl url(base, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != u"http" && url.scheme() != u"https"))
        return u"is not an http or https address"_s;
    if (url.hasQuery() || url.hasFragment())
        return u"has a query or a fragment"_s;
    if (!url.userInfo().isEmpty())
        return u"holds a user name or password, which update.dat would show every player"_s;
    if (std::any_of(base.begin(), base.end(),
                    [](QChar c) { return c <= u' ' || c > u'~' || c == u',' || c == u'"'; }))
        return u"holds a character update.dat cannot carry; write it percent-encoded"_s;
    return {};
}

// Walks the data folder: every regular file by its name below it, through links whose
// real path stays inside; what leads out or nowhere, is no regular file, or has a name that
// is not UTF-8 (which Qt leaves out of its listings) is refused.
struct Walk
{
    QDir root;
    QString realRoot;
    QStringList chain; // the real paths of the folders on the way, against a link loop
    QStringList names;
    QList<Finding> findings;

    void refuse(const QString &name, const QString &message)
    {
        findings.append({root.filePath(name), 0, message, true});
    }

    void unnamed(const QString &below)
    {
        DIR *dir = opendir(QFile::encodeName(root.filePath(below)).constData());
        while (const dirent *entry = dir ? readdir(dir) : nullptr) {
            if (!isUtf8(entry->d_name))
                refuse(below + windows1252::decode(entry->d_name),
                       u"the name is not UTF-8 (shown here as Windows-1252 reads it): rename it"_s);
        }
        if (dir)
            closedir(dir);
    }

    void folder(const QString &below)
    {
        unnamed(below);
        const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QFileInfo &entry : QDir(root.filePath(below)).entryInfoList(filter)) {
            const QString name = below + entry.fileName();
            const QString real = entry.canonicalFilePath();
            if (entry.isSymLink() && real.isEmpty()) {
                refuse(name, u"a link that leads nowhere"_s);
            } else if (entry.isSymLink() && real != realRoot && !real.startsWith(realRoot + u'/')) {
                refuse(name, u"a link that leads outside the data folder, to %1: copy what it "
                             u"points at into the folder instead"_s.arg(real));
            } else if (entry.isDir()) {
                // A link back to a folder on the way: its files are named along that way.
                if (chain.contains(real))
                    continue;
                chain.append(real);
                folder(name + u'/');
                chain.removeLast();
            } else if (!entry.isFile()) {
                refuse(name, u"not a regular file"_s);
            } else if (name != DataFolder::listName() && name != DataFolder::versionName()) {
                names.append(name);
            }
        }
    }
};

bool isWhole(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The greater of two versions as whole numbers; a text that is none counts below any.
QString greater(const QString &a, const QString &b)
{
    const auto digits = [](const QString &version) {
        if (!isWhole(version))
            return QString();
        qsizetype zeros = 0;
        while (zeros + 1 < version.size() && version[zeros] == u'0')
            ++zeros;
        return version.mid(zeros);
    };
    const QString x = digits(a), y = digits(b);
    return (x.size() != y.size() ? x.size() < y.size() : x < y) ? y : x;
}

// What nvpublish keeps about a site, beside it: every database version it took, oldest
// first, those of runs that did not finish marked "started"; the greatest version each name
// ever had there, dropped names included; and every file it put below monster/files/ with
// the last release that listed it. "pending" lines come from earlier nvpublish runs, which
// copied files in place: such a copy may hold bytes that update.dat does not list, so it
// counts as changed whatever it holds.
struct Record
{
    QStringList releases;
    QSet<QString> started;
    QMap<QString, QString> names;
    QMap<QString, QString> files;
    QSet<QString> pending;
};

Record readRecord(const QString &path)
{
    Record record;
    // Trimmed, in case the file was edited where lines end in CR LF.
    for (const QString &raw : QString::fromUtf8(readAll(path)).split(u'\n')) {
        const QString line = raw.trimmed();
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3 && fields[0] == u"name")
            record.names.insert(fields[1], fields[2]);
        else if (fields.size() == 3 && fields[0] == u"file")
            record.files.insert(fields[1], fields[2]);
        else if (fields.size() == 2 && fields[1] == u"started")
            record.releases.append(*record.started.insert(fields[0]));
        else if (line.startsWith(kPending))
            record.pending.insert(line.mid(kPending.size()));
        else if (!line.isEmpty() && !line.startsWith(u'#'))
            record.releases.append(line);
    }
    return record;
}

// Writes through a temporary file that takes the file's place whole; the reason it could
// not, or nothing.
QString put(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size() && file.commit())
        return {};
    return u"cannot write %1: %2"_s.arg(path, file.errorString());
}

QString writeRecord(const QString &path, const Record &record)
{
    QString text = u"# What nvpublish published here; keep it with the site.\n"_s;
    for (const QString &version : record.releases)
        text += version + (record.started.contains(version) ? u"\tstarted\n"_s : u"\n"_s);
    for (auto it = record.names.cbegin(); it != record.names.cend(); ++it)
        text += u"name\t"_s + it.key() + u'\t' + *it + u'\n';
    for (auto it = record.files.cbegin(); it != record.files.cend(); ++it)
        text += u"file\t"_s + it.key() + u'\t' + *it + u'\n';
    for (const QString &name : record.pending)
        text += kPending + name + u'\n';
    return put(path, text.toUtf8());
}

// Why nothing can be put in `folder`, or, while it does not exist, in the nearest folder
// above it: a file made there tells, with the system's reason.
QString unwritable(const QString &folder)
{
    QFileInfo existing(QDir(folder).absolutePath());
    while (!existing.isDir() && existing.path() != existing.filePath())
        existing.setFile(existing.path());
    QTemporaryFile probe(existing.filePath() + u"/.nvpublish-XXXXXX"_s);
    return probe.open() ? QString() : probe.errorString();
}

// Copies `source` to `target` through a temporary file; the reason it could not, or
// nothing. A source that is not `size` bytes long any more changed meanwhile.
QString putCopy(const QString &source, const QString &target, qint64 size)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return u"cannot read %1: %2"_s.arg(source, in.errorString());
    const QString folder = QFileInfo(target).path();
    if (!QDir().mkpath(folder))
        return u"cannot make the folder %1: %2"_s.arg(folder, unwritable(folder));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return u"cannot write %1: %2"_s.arg(target, out.errorString());
    qint64 copied = 0;
    for (QByteArray chunk; !(chunk = in.read(1 << 16)).isEmpty(); copied += chunk.size()) {
        if (out.write(chunk) != chunk.size())
            return u"cannot write %1: %2"_s.arg(target, out.errorString());
    }
    if (in.error() != QFileDevice::NoError)
        return u"cannot read %1: %2"_s.arg(source, in.errorString());
    if (copied != size)
        return u"%1 changed while it was being published"_s.arg(source);
    return out.commit() ? QString() : u"cannot write %1: %2"_s.arg(target, out.errorString());
}

// The file below the site folder that an address of an earlier list names: the address
// below the base, or, for a site that moved, what follows "monster/files/" in its path.
// Nothing for an address outside monster/files/.
QString sitePathOf(const QString &url, const QString &base)
{
    QString path = QUrl(url).path();
    if (url.startsWith(base))
        path = QUrl::fromPercentEncoding(url.mid(base.size()).toUtf8());
    else if (const qsizetype at = path.indexOf(u'/' + kFiles); at >= 0)
        path = path.mid(at + 1);
    path = DataFolder::safeName(path);
    return path.startsWith(kFiles) ? path : QString();
}

// Whether `inner` is `outer` or lies inside it (real paths).
bool within(const QString &inner, const QString &outer)
{
    return inner == outer || inner.startsWith(outer + u'/');
}

} // namespace

QString Finding::text() const
{
    // One pass of arg(), so that a "%1" in a name stays as it is.
    return line > 0 ? u"%1:%2: %3"_s.arg(file, QString::number(line), message)
                    : u"%1: %2"_s.arg(file, message);
}

QString historyName()
{
    return u"nvpublish-history.txt"_s;
}

QString lockName()
{
    return u"nvpublish.lock"_s;
}

Check checkDataFolder(const QString &dataDir)
{
    Check check;
    const QDir dir(dataDir);
    Walk walk{dir, QFileInfo(dataDir).canonicalFilePath(), {}, {}, {}};
    walk.chain.append(walk.realRoot);
    walk.folder({});
    check.findings = walk.findings;
    check.names = walk.names;
    std::sort(check.names.begin(), check.names.end(), [](const QString &a, const QString &b) {
        const bool aFirst = a == DataFolder::databaseName();
        const bool bFirst = b == DataFolder::databaseName();
        return aFirst != bFirst ? aFirst : a < b;
    });
    for (const QString &name : std::as_const(check.names)) {
        const QString path = dir.filePath(name);
        if (const QString problem = nameProblem(name); !problem.isEmpty())
            check.findings.append({path, 0, problem, true});
        if (const qint64 size = QFileInfo(path).size(); size > kMaxSize)
            check.findings.append(
                {path, 0, u"%1 bytes; update.dat holds sizes up to %2"_s.arg(size).arg(kMaxSize),
                 true});
    }
    // The folder's own list, which versions go on from.
    const QString list = dir.filePath(DataFolder::listName());
    if (const UpdateList read = readUpdateList(regroupLocalList(readAll(list)));
        QFileInfo::exists(list) && !read.readable)
        check.findings.append(
            {list, 0,
             u"cannot be read as an update list (%1); mend or remove it"_s.arg(read.problem),
             true});
    const QString database = dir.filePath(DataFolder::databaseName());
    if (!check.names.contains(DataFolder::databaseName())) {
        check.findings.append({database, 0, u"missing: the database is the heart of it"_s, true});
        return check;
    }
    QSet<QString> named;
    checkDatabase(dir, database, check, named);
    for (const QString &name : std::as_const(check.names)) {
        if (name != DataFolder::databaseName() && !named.contains(name))
            check.findings.append({dir.filePath(name), 0, u"no record names this file"_s});
    }
    return check;
}

QString nextFileVersion(const QString &old)
{
    // Counted as text, so that no number is too large to go on from.
    QString number = greater(old, {});
    if (number.isEmpty())
        return u"1"_s;
    for (qsizetype i = number.size() - 1; i >= 0; --i) {
        if (number[i] != u'9') {
            number[i] = QChar(number[i].unicode() + 1);
            return number;
        }
        number[i] = u'0';
    }
    return u'1' + number;
}

QString nextDatabaseVersion(QDate today, const QStringList &earlier)
{
    const QString dateFormat = u"yyyyMMdd"_s;
    QSet<QString> used;
    QString newest;
    QDate day = today;
    for (const QString &version : earlier) {
        const QString nine = version.left(versionfile::kVersionLength);
        used.insert(nine);
        const QDate date = QDate::fromString(nine.left(8), dateFormat);
        if (nine.size() == versionfile::kVersionLength && date.isValid() && nine.back().isDigit()) {
            newest = std::max(newest, nine);
            day = std::max(day, date);
        }
    }
    // Later than the newest, so versions sort in the order they came; that day's nine
    // or the next day's first is always free.
    for (;; day = day.addDays(1)) {
        for (int n = 1; n <= 9; ++n) {
            const QString candidate = day.toString(dateFormat) + QString::number(n);
            if (candidate > newest && !used.contains(candidate))
                return candidate;
        }
    }
}

Outcome publish(const Request &request)
{
    Outcome outcome;
    const auto refuse = [&outcome](const QString &file, const QString &message,
                                   qsizetype line = 0) {
        outcome.refusals.append({file, line, message, true});
    };
    const Check check = checkDataFolder(request.dataDir);
    for (const Finding &finding : check.findings)
        (finding.refuses ? outcome.refusals : outcome.notes).append(finding);
    QString base = request.baseUrl;
    if (!base.endsWith(u'/'))
        base += u'/';
    if (const QString problem = baseUrlProblem(base); !problem.isEmpty())
        refuse(u"BASE_URL "_s + QUrl(request.baseUrl).toString(QUrl::RemovePassword), problem);

    // Where the site is against the data folder, each through every link on the way; a
    // mistyped site path is not made, only the last folder of it.
    const QFileInfo siteInfo(QDir::cleanPath(QFileInfo(request.siteDir).absoluteFilePath()));
    const QFileInfo siteParent(siteInfo.path());
    const QString dataReal = QFileInfo(request.dataDir).canonicalFilePath();
    const QString siteReal = siteInfo.exists()
                                 ? siteInfo.canonicalFilePath()
                                 : siteParent.canonicalFilePath() + u'/' + siteInfo.fileName();
    if (siteInfo.isSymLink() && !siteInfo.exists())
        refuse(request.siteDir, u"a link that leads nowhere"_s);
    else if (siteInfo.exists() ? !siteInfo.isDir() : !siteParent.isDir())
        refuse(request.siteDir, siteInfo.exists() ? u"is not a folder"_s
                                                  : u"the folder it is to be made in, %1, does "
                                                    u"not exist"_s.arg(siteParent.filePath()));
    else if (!dataReal.isEmpty() && within(siteReal, dataReal))
        refuse(request.siteDir, u"lies inside the data folder, which it would be published into"_s);
    else if (!dataReal.isEmpty() && within(dataReal, siteReal))
        refuse(request.siteDir, u"holds the data folder, which it would serve as it is"_s);

    // The data folder's own lists: what a package built from it gives new players.
    const DataFolder dataFolder(request.dataDir);
    QList<UpdateEntry> earlierEntries =
        readUpdateList(regroupLocalList(readAll(dataFolder.listFile()))).entries;
    QStringList earlierVersions;
    if (const auto version = versionfile::readLocalVersion(dataFolder.versionFile()))
        earlierVersions.append(*version);
    if (!outcome.refusals.isEmpty())
        return outcome;

    // A site folder made here goes again unless something was published into it.
    const bool made = !siteInfo.exists();
    const auto unmake = qScopeGuard([&] {
        if (made && !outcome.written)
            QDir().rmdir(siteInfo.filePath());
    });
    if (made && !QDir().mkdir(siteInfo.filePath())) {
        refuse(request.siteDir, u"cannot be made: "_s + unwritable(siteParent.filePath()));
        return outcome;
    }
    const QDir site(siteInfo.filePath());
    if (const QString reason = unwritable(site.path()); !reason.isEmpty()) {
        refuse(request.siteDir, u"cannot be written: "_s + reason);
        return outcome;
    }
    // One publisher at a time: two would take one database version and mix their files.
    // A lock left by a publisher that was killed is taken over.
    QLockFile lock(site.filePath(lockName()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(std::clamp(request.waitSeconds, 0, 24 * 3600) * 1000)) {
        qint64 pid = 0;
        QString host, program;
        lock.getLockInfo(&pid, &host, &program);
        refuse(lock.fileName(),
               u"another publication (process %1 on %2) is publishing into this site; "
               u"waited %3 s for it to end, try again later"_s.arg(
                   QString::number(pid), host, QString::number(request.waitSeconds)));
        return outcome;
    }

    const QString monster = site.filePath(u"monster/"_s);
    const QString listPath = monster + DataFolder::listName();
    const QString versionPath = monster + DataFolder::versionName();
    const QString recordPath = site.filePath(historyName());

    // The last publication: its entries by name, each with its line.
    QList<UpdateEntry> previous;
    QHash<QString, qsizetype> previousIndex;
    const QByteArray oldList = readAll(listPath);
    if (QFileInfo::exists(listPath)) {
        const UpdateList list = readUpdateList(windows1252::decode(oldList));
        if (!list.readable)
            refuse(listPath,
                   u"cannot be read as an update list (%1); mend or remove it"_s.arg(list.problem));
        previous = list.entries;
        for (qsizetype i = 0; i < previous.size(); ++i)
            previousIndex.insert(DataFolder::safeName(previous[i].fileName), i);
    }
    Record record = readRecord(recordPath);
    const QString current =
        windows1252::decode(readAll(versionPath)).section(QRegularExpression(u"[\r\n]"_s), 0, 0);
    // A run that stopped after taking its version may have put its list out, but not its
    // version: the same list is then published again, under a version of its own.
    const bool finished = record.releases.isEmpty() || record.releases.back() == current ||
                          !record.releases.contains(current);
    // A site kept by hand before has its version only in vers.dat.
    if (!current.isEmpty() && !record.releases.contains(current))
        record.releases.append(current);
    // Release folders count too, so that none is written twice even without the record.
    earlierVersions +=
        record.releases + QDir(site.filePath(kFiles)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const QString release = nextDatabaseVersion(request.today, earlierVersions);
    // Every version a name had: in the record, in the site's list, in the data folder's.
    for (const UpdateEntry &entry : std::as_const(earlierEntries) + previous) {
        if (const QString name = DataFolder::safeName(entry.fileName); !name.isEmpty())
            record.names[name] = greater(record.names.value(name), entry.version);
    }

    // Each file: unchanged when the bytes at its listed address are its bytes; else at a
    // new address, with a version above every one its name ever had.
    QList<UpdateEntry> entries;
    QStringList paths;
    QList<qsizetype> copies; // of entries
    qint64 needed = 1 << 20;
    for (const QString &name : std::as_const(check.names)) {
        const QString source = QDir(request.dataDir).filePath(name);
        const qint64 size = QFileInfo(source).size();
        const auto found = previousIndex.constFind(name);
        const UpdateEntry *old = found == previousIndex.cend() ? nullptr : &previous[*found];
        const QString oldPath = old ? sitePathOf(old->url, base) : QString();
        const bool same = old && old->size == size && !oldPath.isEmpty() &&
                          !record.pending.contains(name) &&
                          sameBytes(source, site.filePath(oldPath));
        const QString version = same ? old->version : nextFileVersion(record.names.value(name));
        if (const QString problem = fieldProblem(version); same && !problem.isEmpty())
            refuse(listPath, u"the version of %1 holds "_s.arg(name) + problem, *found + 2);
        const QString path = same ? oldPath : kFiles + release + u'/' + name;
        entries.append(
            {name, version, size, base + QString::fromLatin1(QUrl::toPercentEncoding(path, "/"))});
        paths.append(path);
        outcome.files.append({name,
                              !old   ? Change::New
                              : same ? Change::Unchanged
                                     : Change::Changed,
                              version, size});
        if (!same) {
            copies.append(entries.size() - 1);
            needed += size;
            if (QFile file(source); !file.open(QIODevice::ReadOnly))
                refuse(source, u"cannot be read: "_s + file.errorString());
        }
    }
    const QSet<QString> names(check.names.cbegin(), check.names.cend());
    for (const UpdateEntry &old : std::as_const(previous)) {
        if (!names.contains(DataFolder::safeName(old.fileName)))
            outcome.files.append({old.fileName, Change::Dropped, old.version, old.size});
    }
    if (!outcome.refusals.isEmpty())
        return outcome;

    // Last, so that a package built from the data folder matches the site.
    const QByteArray listBytes = windows1252::encode(listText(entries));
    const auto bringDataFolder = [&](const QString &version) {
        for (const auto &[path, bytes] :
             {std::pair(dataFolder.listFile(), listBytes + "\r\n"),
              std::pair(dataFolder.versionFile(), versionfile::localFileBytes(version))}) {
            if (readAll(path) == bytes)
                continue;
            outcome.writeError = put(path, bytes);
            if (!outcome.writeError.isEmpty())
                return;
            outcome.dataFolderWritten = true;
        }
    };
    outcome.databaseVersion = current;
    if (copies.isEmpty() && listBytes == oldList && !current.isEmpty() && finished) {
        bringDataFolder(current);
        return outcome;
    }

    // Everything that will be written, before anything is.
    for (const QString &folder : {monster, site.filePath(kFiles + release), dataFolder.path()}) {
        if (const QString reason = unwritable(folder); !reason.isEmpty())
            refuse(folder, u"cannot be written: "_s + reason);
    }
    const qint64 room = QStorageInfo(site.path()).bytesAvailable();
    if (room >= 0 && room < needed)
        refuse(request.siteDir, u"the release needs %1 bytes and the disk has %2 free"_s.arg(
                                    QString::number(needed), QString::number(room)));
    if (!outcome.refusals.isEmpty())
        return outcome;

    // The record first: the database version is taken, and every file the new list names
    // marked as listed by it, before a player can see anything of it.
    // monster/files/ is nvpublish's: a file there that the record does not know (from a
    // site published before there was one, or whose record was lost) stays as long as one
    // listed by this release.
    for (QDirIterator it(site.filePath(kFiles), QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        if (const QString path = site.relativeFilePath(it.next()); !record.files.contains(path))
            record.files.insert(path, release);
    }
    record.releases.append(release);
    record.started.insert(release);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        record.names[entries[i].fileName] =
            greater(record.names.value(entries[i].fileName), entries[i].version);
        record.files.insert(paths[i], release);
    }
    const auto step = [&](Step done, const QString &error = {}) {
        outcome.writeError = error;
        if (error.isEmpty() && request.afterStep && !request.afterStep(done))
            outcome.writeError = u"stopped"_s;
        return outcome.writeError.isEmpty();
    };
    outcome.databaseVersion = release;
    outcome.written = true;
    if (!step(Step::Recorded, writeRecord(recordPath, record)))
        return outcome;
    for (const qsizetype i : std::as_const(copies)) {
        if (!step(Step::Copied, putCopy(QDir(request.dataDir).filePath(entries[i].fileName),
                                        site.filePath(paths[i]), entries[i].size)))
            return outcome;
    }
    if (!step(Step::Listed, put(listPath, listBytes)) ||
        !step(Step::Versioned, put(versionPath, windows1252::encode(release + u"\r\n"_s))))
        return outcome;

    // A file goes once more than `keep` finished releases came after the last that listed
    // it; a run that did not finish may never have been seen, so it does not count.
    record.started.remove(release);
    QHash<QString, qsizetype> later;
    qsizetype done = 0;
    for (auto it = record.releases.crbegin(); it != record.releases.crend(); ++it) {
        later.insert(*it, done);
        done += !record.started.contains(*it);
    }
    const QString filesRoot = site.filePath(kFiles);
    const QSet<QString> listed(paths.cbegin(), paths.cend());
    for (auto it = record.files.begin(); it != record.files.end();) {
        const QString path = site.filePath(it.key());
        const bool exists = QFileInfo(path).isFile();
        if (listed.contains(it.key()) || later.value(*it, done) <= request.keep ||
            (exists && !QFile::remove(path))) {
            ++it;
            continue;
        }
        outcome.removed += exists;
        for (QString folder = QFileInfo(path).path(); folder.size() >= filesRoot.size();
             folder = QFileInfo(folder).path()) {
            if (!QDir().rmdir(folder))
                break;
        }
        it = record.files.erase(it);
    }
    record.pending.clear();
    if (!step(Step::Pruned, writeRecord(recordPath, record)))
        return outcome;
    bringDataFolder(release);
    return outcome;
}

} // namespace publish
