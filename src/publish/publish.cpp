#include "publish.h"

#include "datafolder.h"
#include "monstertable.h"
#include "recordview.h"
#include "updatelist.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace publish {
namespace {

// update.dat holds a size as a 32-bit signed integer.
constexpr qint64 kMaxSize = std::numeric_limits<qint32>::max();
const QString kPending = u"pending "_s;

const char16_t *const kFieldNames[MonsterRecord::FieldCount] = {
    u"name",           u"hit points", u"level",          u"experience",   u"treasure",
    u"description",    u"area",       u"hostile",        u"undead",       u"picture",
    u"job experience", u"size",       u"weapon defence", u"magic defence"};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
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

void checkDatabase(const QDir &dir, const QString &path, Check &check, QSet<QString> &named)
{
    const QByteArray bytes = readAll(path);
    QHash<QString, qsizetype> firstLine;
    qsizetype number = 0;
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
    if (std::any_of(base.begin(), base.end(),
                    [](QChar c) { return c <= u' ' || c > u'~' || c == u',' || c == u'"'; }))
        return u"holds a character update.dat cannot carry; write it percent-encoded"_s;
    return {};
}

struct History
{
    QStringList versions;
    QSet<QString> pending;
};

// One version a line, oldest first. "pending" lines name the files a run was copying
// when it stopped: their copies may already hold new bytes that update.dat does not list
// yet, so they count as changed whatever the comparison says.
History readHistory(const QString &path)
{
    History history;
    // Trimmed, in case the file was edited where lines end in CR LF.
    for (QString line : QString::fromUtf8(readAll(path)).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(kPending))
            history.pending.insert(line.mid(kPending.size()));
        else if (!line.isEmpty() && !line.startsWith(u'#'))
            history.versions.append(line);
    }
    return history;
}

bool writeHistory(const QString &path, const QStringList &versions, const QStringList &pending)
{
    QString text = u"# Database versions published here, oldest first (nvpublish)\n"_s;
    for (const QString &version : versions)
        text += version + u'\n';
    for (const QString &name : pending)
        text += kPending + name + u'\n';
    return wholefile::write(path, text.toUtf8());
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

QStringList dataFileNames(const QString &dataDir)
{
    // Absolute, since relativeFilePath() leaves a relative path as it is.
    const QDir dir(QFileInfo(dataDir).absoluteFilePath());
    QStringList names;
    QDirIterator files(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = dir.relativeFilePath(files.next());
        if (name != DataFolder::listName() && name != DataFolder::versionName())
            names.append(name);
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const bool aFirst = a == DataFolder::databaseName();
        const bool bFirst = b == DataFolder::databaseName();
        return aFirst != bFirst ? aFirst : a < b;
    });
    return names;
}

Check checkDataFolder(const QString &dataDir)
{
    Check check;
    const QDir dir(dataDir);
    const QStringList names = dataFileNames(dataDir);
    check.files = names.size();
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (const QString problem = nameProblem(name); !problem.isEmpty())
            check.findings.append({path, 0, problem, true});
        if (const qint64 size = QFileInfo(path).size(); size > kMaxSize)
            check.findings.append(
                {path, 0, u"%1 bytes; update.dat holds sizes up to %2"_s.arg(size).arg(kMaxSize),
                 true});
    }
    const QString database = dir.filePath(DataFolder::databaseName());
    if (!names.contains(DataFolder::databaseName())) {
        check.findings.append({database, 0, u"missing: the database is the heart of it"_s, true});
        return check;
    }
    QSet<QString> named;
    checkDatabase(dir, database, check, named);
    for (const QString &name : names) {
        if (name != DataFolder::databaseName() && !named.contains(name))
            check.findings.append({dir.filePath(name), 0, u"no record names this file"_s});
    }
    return check;
}

QString nextFileVersion(const QString &old)
{
    bool whole = !old.isEmpty() && std::all_of(old.begin(), old.end(),
                                               [](QChar c) { return c >= u'0' && c <= u'9'; });
    const qulonglong number = whole ? old.toULongLong(&whole) : 0;
    return whole && number < std::numeric_limits<qint64>::max() ? QString::number(number + 1)
                                                                : u"1"_s;
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
    const QDir data(request.dataDir);
    const QDir site(request.siteDir);
    const QString monster = site.filePath(u"monster/"_s);
    const QString listPath = monster + DataFolder::listName();
    const QString versionPath = monster + DataFolder::versionName();
    const QString historyPath = site.filePath(historyName());
    const auto refuse = [&outcome](const QString &file, qsizetype line, const QString &message) {
        outcome.refusals.append({file, line, message, true});
    };

    const Check check = checkDataFolder(request.dataDir);
    for (const Finding &finding : check.findings)
        (finding.refuses ? outcome.refusals : outcome.notes).append(finding);
    const QString dataPath = QDir::cleanPath(data.absolutePath()) + u'/';
    if ((QDir::cleanPath(site.absolutePath()) + u'/').startsWith(dataPath))
        refuse(request.siteDir, 0,
               u"lies inside the data folder, which it would be published into"_s);
    QString base = request.baseUrl;
    if (!base.endsWith(u'/'))
        base += u'/';
    if (const QString problem = baseUrlProblem(base); !problem.isEmpty())
        refuse(u"BASE_URL "_s + request.baseUrl, 0, problem);

    // The last publication: its entries by name, each with its line.
    QList<UpdateEntry> previous;
    QHash<QString, qsizetype> previousIndex;
    const QByteArray oldList = readAll(listPath);
    if (QFileInfo::exists(listPath)) {
        const UpdateList list = readUpdateList(windows1252::decode(oldList));
        if (!list.readable)
            refuse(listPath, 0,
                   u"cannot be read as an update list (%1); mend or remove it"_s.arg(list.problem));
        previous = list.entries;
        for (qsizetype i = 0; i < previous.size(); ++i)
            previousIndex.insert(DataFolder::safeName(previous[i].fileName), i);
    }
    if (!outcome.refusals.isEmpty())
        return outcome;
    History history = readHistory(historyPath);

    QList<UpdateEntry> entries;
    QStringList copies;
    for (const QString &name : dataFileNames(request.dataDir)) {
        const qint64 size = QFileInfo(data.filePath(name)).size();
        const auto found = previousIndex.constFind(name);
        const UpdateEntry *old = found == previousIndex.cend() ? nullptr : &previous[*found];
        const bool same = old && old->size == size && !history.pending.contains(name) &&
                          sameBytes(data.filePath(name), monster + u"files/"_s + name);
        const QString version =
            same ? old->version : nextFileVersion(old ? old->version : QString());
        if (const QString problem = fieldProblem(version); same && !problem.isEmpty())
            refuse(listPath, *found + 2, u"the version of %1 holds "_s.arg(name) + problem);
        const QString url =
            base + u"monster/files/"_s + QString::fromLatin1(QUrl::toPercentEncoding(name, "/"));
        entries.append({name, version, size, url});
        outcome.files.append({name,
                              !old   ? Change::New
                              : same ? Change::Unchanged
                                     : Change::Changed,
                              version, size});
        if (!same)
            copies.append(name);
    }
    for (const UpdateEntry &old : std::as_const(previous)) {
        const QString name = DataFolder::safeName(old.fileName);
        if (std::none_of(entries.cbegin(), entries.cend(),
                         [&name](const UpdateEntry &entry) { return entry.fileName == name; }))
            outcome.files.append({old.fileName, Change::Dropped, old.version, old.size});
    }
    if (!outcome.refusals.isEmpty())
        return outcome;

    const QByteArray listBytes = windows1252::encode(listText(entries));
    const QString current =
        windows1252::decode(readAll(versionPath)).section(QRegularExpression(u"[\r\n]"_s), 0, 0);
    outcome.databaseVersion = current;
    if (copies.isEmpty() && listBytes == oldList && QFileInfo::exists(versionPath))
        return outcome;

    // A site kept by hand before has its version only in vers.dat.
    if (!current.isEmpty() && !history.versions.contains(current))
        history.versions.append(current);
    outcome.databaseVersion = nextDatabaseVersion(request.today, history.versions);
    history.versions.append(outcome.databaseVersion);
    // The version is taken before anything is copied, so a run that stops anywhere never
    // leads to one version naming two databases.
    const auto fail = [&outcome](const QString &path) {
        outcome.writeError = path;
        return outcome;
    };
    if (!QDir().mkpath(monster) || !writeHistory(historyPath, history.versions, copies))
        return fail(historyPath);
    outcome.written = true;
    for (const QString &name : std::as_const(copies)) {
        if (!wholefile::copy(data.filePath(name), monster + u"files/"_s + name))
            return fail(monster + u"files/"_s + name);
    }
    if (!wholefile::write(listPath, listBytes))
        return fail(listPath);
    if (!wholefile::write(versionPath, windows1252::encode(outcome.databaseVersion + u"\r\n"_s)))
        return fail(versionPath);
    if (!writeHistory(historyPath, history.versions, {}))
        return fail(historyPath);
    return outcome;
}

} // namespace publish
