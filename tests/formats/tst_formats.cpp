// The readers and writers of our files: Windows-1252, the item reader, the monster table,
// the update list and the version file.
#include "datafolder.h"
#include "downloadprogress.h"
#include "itemreader.h"
#include "monstertable.h"
#include "recordview.h"
#include "testsupport.h"
#include "updatelist.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using testsupport::record;
using testsupport::recordLine;

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void decodesWhereLatin1Differs_data();
    void decodesWhereLatin1Differs();
    void everyByteMapsToOneCharacterAndBack();
    void readsItems_data();
    void readsItems();
    void loadsRecords_data();
    void loadsRecords();
    void splitsFields();
    void duplicateNamesStayDistinctRows();
    void loadsBeyondSixteenBitRowCount();
    void loadFileReportsMissingFile();
    void displayUndoesSubstitutes();
    void readsList_data();
    void readsList();
    void marksNeeded();
    void checksFileNames();
    void showsProgress();
    void readsVersionFile();
    void localFilesAreReadOnlyAsWhatTheySeem();
};

void TestFormats::decodesWhereLatin1Differs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("Bat|10") << QStringLiteral("Bat|10");
    QTest::newRow("right single quote") << QByteArray("Ogre\x92s") << QStringLiteral("Ogre’s");
    QTest::newRow("euro, ellipsis, dashes")
        << QByteArray("\x80\x85\x96\x97") << QStringLiteral("€…–—");
    QTest::newRow("substitutes") << QByteArray("\xA1\xBF") << QStringLiteral("¡¿");
    QTest::newRow("latin-1 range") << QByteArray("\xE9\xFC\xFF") << QStringLiteral("éüÿ");
    QTest::newRow("undefined byte keeps its value")
        << QByteArray("\x81\x9D") << QString(QChar(0x81)) + QChar(0x9D);
}

void TestFormats::decodesWhereLatin1Differs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(windows1252::decode(bytes), text);
    QCOMPARE(windows1252::encode(text), bytes);
}

void TestFormats::everyByteMapsToOneCharacterAndBack()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QSet<char16_t> distinct;
    for (const QChar ch : text)
        distinct.insert(ch.unicode());
    QCOMPARE(distinct.size(), 256);
    QCOMPARE(windows1252::encode(text), all);
    QCOMPARE(windows1252::encode(u"漢"), QByteArray("?"));
}

void TestFormats::readsItems_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("items");
    const auto list = [](std::initializer_list<const char *> items) {
        QStringList out;
        for (const char *item : items)
            out.append(QString::fromLatin1(item));
        return out;
    };
    QTest::newRow("lines") << QByteArray("a\r\nb\r\n") << list({"a", "b"});
    QTest::newRow("comma ends an item") << QByteArray("a,b\r\n") << list({"a", "b"});
    QTest::newRow("blanks before an item") << QByteArray("  \ta, b\r\n") << list({"a", "b"});
    QTest::newRow("blanks after an item stay") << QByteArray("a  \r\n") << list({"a  "});
    QTest::newRow("empty line is an empty item")
        << QByteArray("a\r\n\r\nb") << list({"a", "", "b"});
    QTest::newRow("quoted holds commas and line breaks")
        << QByteArray("\"a,b\r\nc\",d\r\n") << list({"a,b\r\nc", "d"});
    QTest::newRow("text after closing quote dropped")
        << QByteArray("\"a\"xyz,b\r\n") << list({"a", "b"});
    QTest::newRow("unterminated quote runs to the end") << QByteArray("\"a,b") << list({"a,b"});
    QTest::newRow("LF and CR line ends") << QByteArray("a\nb\rc") << list({"a", "b", "c"});
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << list({"a", "b"});
}

void TestFormats::readsItems()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, items);
    ItemReader reader(data);
    QStringList read;
    while (!reader.atEnd())
        read.append(QString::fromLatin1(reader.next()));
    QCOMPARE(read, items);
}

void TestFormats::loadsRecords_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("names");
    const QByteArray a = recordLine(record(QStringLiteral("Ant")));
    const QByteArray b = recordLine(record(QStringLiteral("Bat")));
    const QByteArray c = recordLine(record(QStringLiteral("Cat")));
    const QStringList abc{QStringLiteral("Ant"), QStringLiteral("Bat"), QStringLiteral("Cat")};
    QTest::newRow("ends with an empty line") << a + "\r\n" + b + "\r\n" + c + "\r\n\r\n" << abc;
    // The last record is kept whether or not an empty line follows it.
    QTest::newRow("last line ended") << a + "\r\n" + b + "\r\n" + c + "\r\n" << abc;
    QTest::newRow("last line not ended") << a + "\r\n" + b + "\r\n" + c << abc;
    QTest::newRow("one line") << a << QStringList{QStringLiteral("Ant")};
    QTest::newRow("blank lines between records") << a + "\r\n\r\n  \r\n" + b + "\r\n"
                                                 << QStringList{abc[0], abc[1]};
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n") << QStringList();
    QTest::newRow("comma splits a line into two records")
        << QByteArray("Ant|1,Bat|2\r\n") << QStringList{abc[0], abc[1]};
}

void TestFormats::loadsRecords()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, names);
    const MonsterTable table = MonsterTable::parse(data);
    QStringList read;
    for (qsizetype r = 0; r < table.size(); ++r)
        read.append(table.row(r).field(MonsterRecord::Name));
    QCOMPARE(read, names);
    QCOMPARE(table.listTexts(), names);
}

void TestFormats::splitsFields()
{
    QStringList fifteen = record(QStringLiteral("Ant"));
    fifteen.append(QStringLiteral("extra"));
    const MonsterTable fullTable = MonsterTable::parse(testsupport::recordLine(fifteen));
    const MonsterRecord full = fullTable.row(0);
    for (int f = 0; f < 14; ++f)
        QCOMPARE(full.field(f), fifteen[f]);
    QCOMPARE(full.field(13), QStringLiteral("Ant f13")); // the fifteenth piece is not glued on

    // Fewer than fourteen pieces: the missing fields read as empty.
    const MonsterTable shortTable = MonsterTable::parse("Bat|10|");
    const MonsterRecord shortRecord = shortTable.row(0);
    QCOMPARE(shortRecord.field(MonsterRecord::Name), u"Bat");
    QCOMPARE(shortRecord.field(MonsterRecord::Hp), u"10");
    for (int f = MonsterRecord::Level; f < MonsterRecord::FieldCount; ++f)
        QVERIFY(shortRecord.field(f).isEmpty());

    const MonsterTable nameTable = MonsterTable::parse("Cat");
    const MonsterRecord nameOnly = nameTable.row(0);
    QCOMPARE(nameOnly.field(MonsterRecord::Name), u"Cat");
    QVERIFY(nameOnly.field(MonsterRecord::MDefense).isEmpty());
    QVERIFY(nameOnly.field(99).isEmpty());
}

void TestFormats::duplicateNamesStayDistinctRows()
{
    QStringList first = record(QStringLiteral("Bat"));
    QStringList second = record(QStringLiteral("Bat"));
    first[MonsterRecord::Hp] = QStringLiteral("10");
    second[MonsterRecord::Hp] = QStringLiteral("20");
    // A record with an empty name hides nothing after it.
    const MonsterTable table = MonsterTable::parse(
        testsupport::dataFile({first, record(QString()), second, record(QStringLiteral("Cat"))}));
    QCOMPARE(table.size(), 4);
    QCOMPARE(table.row(0).field(MonsterRecord::Hp), u"10");
    QCOMPARE(table.row(2).field(MonsterRecord::Hp), u"20");
    QCOMPARE(table.row(3).field(MonsterRecord::Name), u"Cat");
}

void TestFormats::loadsBeyondSixteenBitRowCount()
{
    constexpr int count = 40000;
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data += "M" + QByteArray::number(i) + "|1\r\n";
    const MonsterTable table = MonsterTable::parse(data);
    QCOMPARE(table.size(), count);
    QCOMPARE(table.row(count - 1).field(MonsterRecord::Name), u"M39999");
}

void TestFormats::loadFileReportsMissingFile()
{
    QTemporaryDir dir;
    QString error;
    const MonsterTable missing = MonsterTable::loadFile(dir.filePath(u"cml.nmd"_s), &error);
    QVERIFY(missing.isEmpty());
    QVERIFY(!error.isEmpty());

    testsupport::writeFile(dir.filePath(u"cml.nmd"_s), "Ant|1\r\n");
    const MonsterTable present = MonsterTable::loadFile(dir.filePath(u"cml.nmd"_s), &error);
    QCOMPARE(present.size(), 1);
    QVERIFY(error.isEmpty());
}

void TestFormats::displayUndoesSubstitutes()
{
    // The list entry undoes only the comma; the table keeps what the file holds.
    const MonsterTable table = MonsterTable::parse("Crab\xA1 Giant|5\xA1"
                                                   "000||||"
                                                   "Lives in caves.\xBF"
                                                   "Flees\x92.||||pics\\c.gif\r\n"
                                                   "Two\xBFLines\r\n");
    QCOMPARE(table.listTexts(), (QStringList{u"Crab, Giant"_s, u"Two¿Lines"_s}));
    QCOMPARE(table.row(0).field(MonsterRecord::Name), u"Crab¡ Giant");

    QTemporaryDir dir;
    const DataFolder folder(dir.path());
    const RecordView view = viewOf(table.row(0), folder);
    QCOMPARE(view.text[MonsterRecord::Name], u"Crab, Giant"_s);
    QCOMPARE(view.text[MonsterRecord::Hp], u"5,000"_s);
    QCOMPARE(view.text[MonsterRecord::Description], u"Lives in caves.\r\nFlees’."_s);
    QCOMPARE(view.picturePath, folder.path() + u"pics/c.gif"_s); // "\\" is a folder separator
    QCOMPARE(viewOf(table.row(1), folder).picturePath, QString());
}

void TestFormats::readsList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // the entries as listText() writes them
    const QString a = u"a,1,10,u\r\n"_s, b = u"b,2,20,v\r\n"_s, e = u"\r\n"_s, no = u"unreadable"_s;
    QTest::newRow("count 3.5 is 4") << u" 3.5 \r\n"_s + a + b + a << u"4\r\n"_s + a + b + a + e;
    QTest::newRow("count 2.5 is 2, rest ignored") << u"2.5\r\n"_s + a + b << u"2\r\n"_s + a + e;
    QTest::newRow("count 1") << u"1\r\n"_s << u"1\r\n"_s + e;
    QTest::newRow("web page") << u"<html><body>\r\n"_s + a << no;
    QTest::newRow("negative count") << u"-1\r\n"_s + a << no;
    QTest::newRow("huge count") << u"9"_s.repeated(400) + e + a << no;
    QTest::newRow("last line not ended") << u"3\r\n"_s + a + b.chopped(2) << no;
    QTest::newRow("lone LF ends no line") << u"3\r\na,1,10,u\n"_s + b << no;
    QTest::newRow("lone LF kept") << u"2\r\na,1,10,u\n\r\n"_s << u"2\r\na,1,10,u\n\r\n\r\n"_s;
    QTest::newRow("three fields") << u"3\r\n"_s + a + u"b,2,20\r\n"_s << no;
    // Fields trimmed of spaces, a size rounded half to even and one beyond 32 bits, a fifth
    // field ignored.
    QTest::newRow("field forms") << u"3\r\n a , 1 , 10.5kb , u \r\nb,2,5368709120,v,w\r\n"_s
                                 << u"3\r\n"_s + a + u"b,2,5368709120,v\r\n"_s + e;

    // The local copy is read back through regroupLocalList().
    const QByteArray written = "3\r\npics/a b.gif,1.0,10,http://x/a\r\nb,v2,5368709120,u\r\n\r\n";
    const QString local = QString::fromLatin1(written);
    QTest::newRow("local: list text") << regroupLocalList(written) << local;
    QTest::newRow("local: last line not ended") << regroupLocalList(written.chopped(4)) << local;
    // Quoted fields, blanks around them, Windows-1252.
    QTest::newRow("local: quoted") << regroupLocalList("\"2\"\r\n \"\xe9 b\", 1,10,u\r\n")
                                   << u"2\r\n\u00e9 b,1,10,u\r\n\r\n"_s;
    QTest::newRow("local: empty file") << regroupLocalList({}) << no;
}

void TestFormats::readsList()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const UpdateList list = readUpdateList(text);
    QCOMPARE(list.problem.isEmpty(), list.readable);
    QCOMPARE(list.readable ? listText(list.entries) : u"unreadable"_s, expected);
}

void TestFormats::marksNeeded()
{
    // The remote entries' marks (x: needs the download), then how many were marked.
    const auto marks = [](const QStringList &remote, const QStringList &local) {
        const auto entries = [](const QStringList &lines) {
            return readUpdateList(u"%1\r\n%2\r\n"_s.arg(lines.size() + 1).arg(lines.join(u"\r\n")))
                .entries;
        };
        QList<UpdateEntry> list = entries(remote);
        list.first().needsUpdate = true; // a stale mark from an earlier check is cleared
        const qsizetype count = markNeededEntries(list, entries(local));
        QString read;
        for (const UpdateEntry &e : list)
            read += e.needsUpdate ? u'x' : u'.';
        return read + QString::number(count);
    };
    const QStringList ab{u"a,v,10,u"_s, u"b,v,20,u"_s};
    QCOMPARE(marks(ab, {u"a,V,10,u"_s, u"b,v,21,u"_s}), u"xx2"_s); // version case, size
    QCOMPARE(marks(ab, {u"a,v,10,w"_s}), u".x1"_s); // the URL is not compared; no b at all
    // Of two local namesakes the later counts.
    QCOMPARE(marks(ab, {u"a,0,10,u"_s, ab[0], ab[1], u"b,0,20,u"_s}), u".x1"_s);
}

void TestFormats::checksFileNames()
{
    QCOMPARE(DataFolder::safeName(u"..a\\b..gif"_s), u"..a/b..gif"_s);
    QCOMPARE(DataFolder::safeName(u"pics/update.dat"_s), u"pics/update.dat"_s);
    for (const char *bad : {"", "../../x", "/home/u/.bashrc", "\\x", "C:\\x", "C:x", "pics/a:b",
                            "pics/../../x", "./x", "update.dat", "vers.dat", "a//b", "a/", "a\\\\b",
                            "pics\\..", "a\tb", "a\x7f", "a\x85z", "a\"b"})
        QVERIFY2(DataFolder::safeName(QString::fromLatin1(bad)).isEmpty(), bad);
    // Fields that the local file could not give back as they are.
    QVERIFY(storableEntry({u"a"_s, u"1.5"_s, 10, u"https://h.example/a?x=1"_s}));
    for (const UpdateEntry &bad :
         {UpdateEntry{u"a"_s, u"\"1"_s, 10, u"u"_s}, UpdateEntry{u"a"_s, u"1"_s, 10, u"u\n"_s},
          UpdateEntry{u"a"_s, u"1"_s, 10, u"\"u"_s}})
        QVERIFY(!storableEntry(bad));
}

void TestFormats::showsProgress()
{
    // The total in kilobytes, then the percentage after each file.
    const auto shown = [](const QList<qint64> &sizes) {
        QList<UpdateEntry> list;
        for (qint64 size : sizes)
            list.append({u"f"_s, u"1"_s, size, u"u"_s});
        DownloadProgress progress(list);
        QList<qint64> read{progress.totalKB()};
        for (const UpdateEntry &e : list)
            read.append(progress.fileDone(e));
        return read;
    };
    QCOMPARE(shown({1500}), (QList<qint64>{1, 100})); // capped
    // The running sum is rounded at each step: 3 here, where rounding once would give 2.
    QCOMPARE(shown({700, 700, 700}), (QList<qint64>{3, 23, 46, 69}));
    QCOMPARE(shown({100, 512, 0}), (QList<qint64>{0, 33, 67, 100})); // no kilobytes
    QCOMPARE(shown({5368709120, 5368709120}), (QList<qint64>{10485760, 50, 100}));
}

void TestFormats::readsVersionFile()
{
    using namespace versionfile;
    QCOMPARE(firstField("\"2026.12a\"\r\n"), u"2026.12a"_s);
    // Unquoted: blanks skipped, ending at a comma or a line end; quoted: over both.
    QCOMPARE(firstField(" \t2026.12a,x"), u"2026.12a"_s);
    QCOMPARE(firstField("\x80 1\r\nx"), u"\u20ac 1"_s);
    QCOMPARE(firstField("\"26,\r\n1\"x,y"), u"26,\r\n1"_s);
    // The ninth character counts, in its case.
    QVERIFY(databaseVersionsDiffer(u"2026.12ab"_s, u"2026.12aB"_s));
    // A missing or unreadable file has no version; what is stored for a reply reads back as
    // its first nine characters.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"vers.dat"_s);
    QCOMPARE(readLocalVersion(path), std::nullopt);
    QCOMPARE(readLocalVersion(dir.path()), std::nullopt);
    const QString reply = u"\u20ac,\r\n2026.12abc"_s;
    testsupport::writeFile(path, localFileBytes(reply));
    QCOMPARE(readLocalVersion(path), reply.left(kVersionLength));
}

// Links out of the data folder, pipes, devices and huge files: nothing outside the folder is
// read or written through it, and nothing waits or grows without end.
void TestFormats::localFilesAreReadOnlyAsWhatTheySeem()
{
    QTemporaryDir dir, outside;
    const QString data = dir.filePath(u"data"_s);
    const DataFolder folder(data);
    testsupport::writeFile(data + u"/pics/a.gif"_s, "GIF89a");
    testsupport::writeFile(outside.filePath(u"secret"_s), "secret");
    const auto link = [&data](const QString &target, const QString &name) {
        QVERIFY(QFile::link(target, data + u'/' + name));
    };
    link(outside.path(), u"outlink"_s);
    link(outside.filePath(u"secret"_s), u"secret.gif"_s);
    link(data + u"/pics/a.gif"_s, u"inner.gif"_s);
    link(outside.filePath(u"gone"_s), u"dangling.gif"_s);
    link(u"/dev/zero"_s, u"zero.gif"_s);
    QVERIFY(mkfifo(QFile::encodeName(data + u"/pipe.gif"_s).constData(), 0600) == 0);

    for (const auto &[name, inside] :
         std::initializer_list<std::pair<QString, bool>>{{u"pics/a.gif"_s, true},
                                                         {u"new/b.gif"_s, true},
                                                         {u"inner.gif"_s, true},
                                                         {u"outlink/evil.gif"_s, false},
                                                         {u"secret.gif"_s, false},
                                                         {u"dangling.gif"_s, false}})
        QVERIFY2(folder.holds(folder.file(name)) == inside, qPrintable(name));
    // A record naming a picture outside, by its name or through a link, shows none.
    const MonsterTable table = MonsterTable::parse("a|||||||||..\\..\\dev\\zero\r\n"
                                                   "b|||||||||secret.gif\r\n"
                                                   "c|||||||||pics\\a.gif\r\n");
    QCOMPARE(viewOf(table.row(0), folder).picturePath, QString());
    QCOMPARE(viewOf(table.row(1), folder).picturePath, QString());
    QCOMPARE(viewOf(table.row(2), folder).picturePath, data + u"/pics/a.gif"_s);

    // Only regular files of a bounded size are read: a pipe would wait for ever, a device
    // never end.
    QCOMPARE(wholefile::read(data + u"/pics/a.gif"_s, 6), QByteArray("GIF89a"));
    for (const char *name : {"pipe.gif", "zero.gif", "pics"})
        QVERIFY2(!wholefile::read(data + u'/' + QLatin1StringView(name), 100), name);
    QVERIFY(!wholefile::read(data + u"/pics/a.gif"_s, 5));
    QString error;
    QVERIFY(MonsterTable::loadFile(data + u"/pipe.gif"_s, &error).isEmpty());
    QCOMPARE(error, u"It is not a regular file"_s);
}

QTEST_APPLESS_MAIN(TestFormats)
#include "tst_formats.moc"
