#include "sample.h"

#include "common.h"
#include "monstertable.h"
#include "portraits.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// Exactly nine characters: the version checks compare the first nine.
const QString kDatabaseVersion = QStringLiteral("2026.1206");
const QString kUpdateUrlBase = QStringLiteral("https://www.quillmoor.example/monster/data/");
const QString kFileVersion = QStringLiteral("3");

// --- Reading the record source -------------------------------------------------------------

struct Source
{
    std::vector<QStringList> records;
    QStringList missingPictures;
};

// Refuses what the data file cannot carry, so a typo in monsters.txt fails the generator
// instead of silently producing a broken or shifted record.
void checkRecord(const QString &line, const QStringList &fields, const QString &place)
{
    const auto reject = [&place](const QString &what) {
        fail(QStringLiteral("%1: %2").arg(place, what));
    };
    if (fields.size() != MonsterRecord::FieldCount)
        reject(QStringLiteral("%1 fields, expected %2")
                   .arg(fields.size())
                   .arg(int(MonsterRecord::FieldCount)));
    for (const QChar ch : line) {
        if (ch == u',' || ch == u'"')
            reject(QStringLiteral("real comma or double quote; write \u00a1 for a comma"));
    }
    if (windows1252::decode(windows1252::encode(line)) != line)
        reject(QStringLiteral("character outside Windows-1252"));
    const QString name = fields[MonsterRecord::Name];
    if (name.isEmpty() || name.front().isSpace())
        reject(QStringLiteral("the name is empty or starts with a blank"));
}

Source readSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const QString fileName = QFileInfo(path).fileName();
    Source source;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith(u"#!missing ")) {
            source.missingPictures.append(line.mid(10).trimmed());
            continue;
        }
        if (line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'|');
        checkRecord(line, fields, QStringLiteral("%1 line %2").arg(fileName).arg(i + 1));
        source.records.push_back(fields);
    }
    if (source.records.empty())
        fail(QStringLiteral("%1 holds no records").arg(path));
    return source;
}

// --- The data file ---------------------------------------------------------------------------

// CR LF after every record, then one more: the file ends with an empty line.
QByteArray databaseBytes(const std::vector<QStringList> &records)
{
    QByteArray out;
    for (const QStringList &fields : records) {
        out.append(windows1252::encode(fields.join(u'|')));
        out.append("\r\n");
    }
    out.append("\r\n");
    return out;
}

// Reads the bytes back with the viewer's own parser, so the sample is known to load.
void checkDatabase(const QByteArray &bytes, const std::vector<QStringList> &records)
{
    const MonsterTable table = MonsterTable::parse(bytes);
    if (table.size() != qsizetype(records.size()))
        fail(QStringLiteral("the data file parses into %1 records, expected %2")
                 .arg(table.size())
                 .arg(records.size()));
    for (qsizetype r = 0; r < table.size(); ++r) {
        for (int f = 0; f < MonsterRecord::FieldCount; ++f) {
            if (table.row(r).field(f) != records[std::size_t(r)][f])
                fail(QStringLiteral("record %1 field %2 does not read back").arg(r + 1).arg(f));
        }
    }
}

// The picture field as a path below the data folder; "\" is a folder separator there.
QString pictureFile(const QString &field)
{
    QString relative = field;
    relative.replace(u'\\', u'/');
    if (QDir::isAbsolutePath(relative) || relative.split(u'/').contains(u".."))
        fail(QStringLiteral("picture %1 points outside the data folder").arg(field));
    return relative;
}

} // namespace

int runSample(const QString &sourcePath, const QString &outDir)
{
    const Source source = readSource(sourcePath);
    const QDir dir(outDir);

    // One picture per distinct file, drawn for the first record that names it; sorted by
    // path so the update list has a stable order. Every name is checked before anything
    // is written, so a bad source leaves no half-written folder.
    std::map<QString, std::size_t> pictures;
    QStringList unusedMissing = source.missingPictures;
    for (std::size_t r = 0; r < source.records.size(); ++r) {
        const QString field = source.records[r][MonsterRecord::Picture];
        if (field.isEmpty())
            continue;
        if (source.missingPictures.contains(field)) {
            unusedMissing.removeAll(field);
            continue;
        }
        const QString relative = pictureFile(field);
        pictureFormat(relative);
        pictures.emplace(relative, r);
    }
    if (!unusedMissing.isEmpty())
        fail(QStringLiteral("no record names the missing picture %1").arg(unusedMissing.front()));

    const QByteArray database = databaseBytes(source.records);
    checkDatabase(database, source.records);
    if (!QDir().mkpath(outDir))
        fail(QStringLiteral("cannot create %1").arg(outDir));
    writeFile(dir.filePath(QStringLiteral("cml.nmd")), database);

    struct Entry
    {
        QString name;
        qint64 size;
    };
    std::vector<Entry> entries{{QStringLiteral("cml.nmd"), database.size()}};
    for (const auto &[relative, r] : pictures) {
        const QString path = dir.filePath(relative);
        if (!QDir().mkpath(QFileInfo(path).path()))
            fail(QStringLiteral("cannot create the folder for %1").arg(path));
        const QStringList &record = source.records[r];
        writePicture(path, record, fnv1a(record[MonsterRecord::Name] + u'|' + relative));
        entries.push_back({relative, QFileInfo(path).size()});
    }

    writeFile(dir.filePath(QStringLiteral("vers.dat")),
              windows1252::encode(QStringLiteral("\"%1\"\r\n").arg(kDatabaseVersion)));

    const QString lineEnd = QStringLiteral("\r\n");
    QString update = QString::number(entries.size() + 1) + lineEnd;
    for (const Entry &entry : entries) {
        update += entry.name + u',' + kFileVersion + u',' + QString::number(entry.size) + u',' +
                  kUpdateUrlBase + entry.name + lineEnd;
    }
    update += lineEnd;
    writeFile(dir.filePath(QStringLiteral("update.dat")), windows1252::encode(update));

    std::printf("%s: %zu records, %zu pictures\n", qPrintable(QDir::toNativeSeparators(outDir)),
                source.records.size(), pictures.size());
    return 0;
}
