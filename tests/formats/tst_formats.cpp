// The readers and writers of our files: Windows-1252, the item reader, the monster table,
// the update list, the version file and CSV.
#include "csv.h"
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

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using testsupport::dataFile;
using testsupport::record;

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void decodesWhereLatin1Differs()
    {
        // Where the code page differs from Latin-1, its substitutes, and its five undefined
        // bytes, which keep their value. (Every byte and back: tests/fuzz/fuzz_windows1252.)
        const QByteArray bytes("Ogre\x92s \x80\x85\x96\x97 \xA1\xBF\xE9\xFF \x81\x8D\x8F\x90\x9D");
        const QString text = u"Ogre’s €…–— ¡¿éÿ \u0081\u008D\u008F\u0090\u009D"_s;
        QCOMPARE(windows1252::decode(bytes), text);
        QCOMPARE(windows1252::encode(text), bytes);
        QCOMPARE(windows1252::encode(u"漢"), QByteArray("?"));
    }

    void readsItems_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("lines, blanks, commas")
            << QByteArray("a\r\n\r\n \tb  ,c") << QStringList{u"a"_s, {}, u"b  "_s, u"c"_s};
        QTest::newRow("quoted, text after the quote dropped")
            << QByteArray("\"a,b\r\nc\"xyz,d\r\n") << QStringList{u"a,b\r\nc"_s, u"d"_s};
        QTest::newRow("comma before the closing quote")
            << QByteArray("\"x,\",y") << QStringList{u"x,"_s, u"y"_s};
        QTest::newRow("quote never closed") << QByteArray("\"a,b") << QStringList{u"a,b"_s};
        QTest::newRow("LF and CR line ends")
            << QByteArray("a\nb\rc") << QStringList{u"a"_s, u"b"_s, u"c"_s};
    }
    void readsItems()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, items);
        ItemReader reader(data);
        QStringList read;
        while (!reader.atEnd())
            read.append(QString::fromLatin1(reader.next()));
        QCOMPARE(read, items);
    }

    // Empty items are no records and a comma ends one; pieces after the fourteenth are
    // ignored, missing ones read as empty; namesakes and an empty name hide nothing. (How
    // the substitutes show is the main window's test; 40,000 records the search test's.)
    void readsRecords()
    {
        const QStringList ab{u"Ant"_s, u"Bat"_s};
        const QByteArray blanks = dataFile({record(ab[0]), {}, {u"  "_s}, record(ab[1])});
        QCOMPARE(MonsterTable::parse(blanks).listTexts(), ab);
        QCOMPARE(MonsterTable::parse("Ant|1,Bat|2").listTexts(), ab);
        QVERIFY(MonsterTable::parse("\r\n\r\n").isEmpty());

        const QStringList fifteen = record(u"Ant"_s) << u"extra"_s;
        const MonsterTable table = MonsterTable::parse(
            dataFile({fifteen, {u"Bat"_s, u"10"_s, {}}, record({}), record(u"Bat"_s)}));
        QCOMPARE(table.size(), 4);
        for (int f = 0; f < MonsterRecord::FieldCount; ++f) {
            QCOMPARE(table.row(0).field(f), fifteen[f]);
            QCOMPARE(table.row(1).field(f).isEmpty(), f > MonsterRecord::Hp);
        }
        QCOMPARE(table.row(3).field(MonsterRecord::Hp), u"Bat f1");
        // An empty name still leaves the pieces after it in their places; past the last is none.
        QCOMPARE(table.row(2).field(MonsterRecord::Hp), u" f1");
        QVERIFY(table.row(0).rawField(MonsterRecord::FieldCount).isEmpty());
    }

    void readsList_data()
    {
        QTest::addColumn<QString>("text");
        // The entries as listText() writes them; "-" for a list that cannot be read.
        QTest::addColumn<QString>("expected");
        const QString a = u"a,1,10,u\r\n"_s, b = u"b,2,20,v\r\n"_s, e = u"\r\n"_s, no = u"-"_s;
        QTest::newRow("count 3.5 is 4") << u" 3.5 \r\n"_s + a + b + a << u"4\r\n"_s + a + b + a + e;
        QTest::newRow("count 2.5 is 2, rest ignored") << u"2.5\r\n"_s + a + b << u"2\r\n"_s + a + e;
        QTest::newRow("count 1") << u"1\r\n"_s << u"1\r\n"_s + e;
        QTest::newRow("web page") << u"<html><body>\r\n"_s + a << no;
        QTest::newRow("negative count") << u"-1\r\n"_s + a << no;
        QTest::newRow("huge count") << u"9"_s.repeated(400) + e + a << no;
        QTest::newRow("last line not ended") << u"3\r\n"_s + a + b.chopped(2) << no;
        QTest::newRow("lone LF kept") << u"2\r\na,1,10,u\n\r\n"_s << u"2\r\na,1,10,u\n\r\n\r\n"_s;
        QTest::newRow("three fields") << u"3\r\n"_s + a + u"b,2,20\r\n"_s << no;
        // Fields trimmed of spaces, a size signed and rounded half to even, a fifth field
        // ignored. A size beyond 31 bits, negative or no number is none (-1): the entry is
        // refused.
        QTest::newRow("field forms") << u"3\r\n a , 1 , +10.5kb , u \r\nb,2,5368709120,v,w\r\n"_s
                                     << u"3\r\n"_s + a + u"b,2,-1,v\r\n"_s + e;
        QTest::newRow("sizes that are none")
            << u"5\r\na,1,-2,u\r\nb,2,,v\r\nc,3,x1,w\r\nd,4,.x,z\r\n"_s
            << u"5\r\na,1,-1,u\r\nb,2,-1,v\r\nc,3,-1,w\r\nd,4,-1,z\r\n\r\n"_s;
        // The local copy is read back through regroupLocalList(), its last line ended or not.
        QTest::newRow("local") << regroupLocalList("3\r\npics/a b.gif,1.0,10,u\r\nb,v2,5,u")
                               << u"3\r\npics/a b.gif,1.0,10,u\r\nb,v2,5,u\r\n\r\n"_s;
        QTest::newRow("local: quoted") << regroupLocalList("\"2\"\r\n \"\xe9 b\", 1,10,u\r\n")
                                       << u"2\r\n\u00e9 b,1,10,u\r\n\r\n"_s;
        QTest::newRow("local: empty file") << regroupLocalList({}) << no;
    }
    void readsList()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const UpdateList list = readUpdateList(text);
        QCOMPARE(list.problem.isEmpty(), list.readable);
        QCOMPARE(list.readable ? listText(list.entries) : u"-"_s, expected);
    }

    void marksNeeded()
    {
        // The remote entries' marks (x: needs the download), then how many were marked.
        const auto marks = [](const QString &remote, const QString &local) {
            QList<UpdateEntry> list = readUpdateList(remote).entries;
            list.first().needsUpdate = true; // a stale mark from an earlier check is cleared
            const qsizetype count = markNeededEntries(list, readUpdateList(local).entries);
            QString read;
            for (const UpdateEntry &e : list)
                read += e.needsUpdate ? u'x' : u'.';
            return read + QString::number(count);
        };
        const QString ab = u"3\r\na,v,10,u\r\nb,v,20,u\r\n"_s;
        QCOMPARE(marks(ab, u"3\r\na,V,10,u\r\nb,v,21,u\r\n"_s), u"xx2"_s); // version case, size
        QCOMPARE(marks(ab, u"2\r\na,v,10,w\r\n"_s), u".x1"_s); // the URL is not compared; no b
        // Of two local namesakes the later counts.
        QCOMPARE(marks(ab, u"5\r\na,0,10,u\r\n"_s + ab.mid(3) + u"b,0,20,u\r\n"_s), u".x1"_s);
    }

    // Unsafe names, links out of the data folder, pipes, devices and huge files: nothing
    // outside the folder is read or written through it, and nothing waits or grows without
    // end.
    void keepsToTheDataFolder()
    {
        QCOMPARE(DataFolder::safeName(u"..a\\b..gif"_s), u"..a/b..gif"_s);
        QCOMPARE(DataFolder::safeName(u"pics/update.dat"_s), u"pics/update.dat"_s);
        for (const char *bad : {"", "../../x", "/home/u/.bashrc", "\\x", "C:\\x", "C:x", "pics/a:b",
                                "pics/../../x", "./x", "update.dat", "vers.dat", "a//b", "a/",
                                "a\\\\b", "pics\\..", "a\tb", "a\x7f", "a\x85z", "a\"b"})
            QVERIFY2(DataFolder::safeName(QString::fromLatin1(bad)).isEmpty(), bad);
        // Fields that the local file could not give back as they are.
        QVERIFY(storableEntry({u"a"_s, u"1.5"_s, 10, u"https://h.example/a?x=1"_s}));
        for (const auto &[version, url] :
             {std::pair{u"\"1"_s, u"u"_s}, {u"1"_s, u"u\n"_s}, {u"1"_s, u"\"u"_s}})
            QVERIFY(!storableEntry({u"a"_s, version, 10, url}));

        QTemporaryDir dir, outside;
        const QString data = dir.filePath(u"data"_s);
        const DataFolder folder(data);
        testsupport::writeFile(data + u"/pics/a.gif"_s, "GIF89a");
        testsupport::writeFile(outside.filePath(u"secret"_s), "secret");
        // Each link's name, "|", where it leads.
        for (const QString &link :
             {u"outlink|"_s + outside.path(), u"inner.gif|pics/a.gif"_s,
              u"secret.gif|"_s + outside.filePath(u"secret"_s),
              u"dangling.gif|"_s + outside.filePath(u"gone"_s), u"zero.gif|/dev/zero"_s})
            QVERIFY(QFile::link(link.section(u'|', 1), data + u'/' + link.section(u'|', 0, 0)));
        QVERIFY(mkfifo(QFile::encodeName(data + u"/pipe.gif"_s).constData(), 0600) == 0);

        for (const QString &name : {u"pics/a.gif"_s, u"new/b.gif"_s, u"inner.gif"_s})
            QVERIFY2(folder.holds(folder.file(name)), qPrintable(name));
        for (const QString &name : {u"outlink/evil.gif"_s, u"secret.gif"_s, u"dangling.gif"_s})
            QVERIFY2(!folder.holds(folder.file(name)), qPrintable(name));
        // A record naming a picture through a link out shows none (an unsafe name is the
        // publishing check's case).
        const auto table = MonsterTable::parse("b|||||||||secret.gif\r\nc|||||||||pics\\a.gif");
        QCOMPARE(viewOf(table.row(0), folder).picturePath, QString());
        QCOMPARE(viewOf(table.row(1), folder).picturePath, data + u"/pics/a.gif"_s);

        // Only regular files of a bounded size are read: a pipe would wait for ever, a device
        // never end.
        QCOMPARE(wholefile::read(data + u"/pics/a.gif"_s, 6), QByteArray("GIF89a"));
        for (const char *name : {"pipe.gif", "zero.gif", "pics"})
            QVERIFY2(!wholefile::read(data + u'/' + QLatin1StringView(name), 100), name);
        QVERIFY(!wholefile::read(data + u"/pics/a.gif"_s, 5));
        QString error;
        QVERIFY(MonsterTable::loadFile(data + u"/cml.nmd"_s, &error).isEmpty());
        QCOMPARE(error, u"No such file or directory"_s);
    }

    void showsProgress()
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
    }

    void readsCsv_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read"); // line:field|field per row, or the error
        QTest::newRow("mark, quotes, empty fields")
            << QByteArray("\xEF\xBB\xBF" "a,\"b,\"\"c\"\"\"\r\n,\r\n") << u"1:a|b,\"c\" 2:|"_s;
        QTest::newRow("line breaks inside, LF and CR ends, blank lines")
            << QByteArray("\"x\r\ny\nz\",1\n\n\r\r\nq\rw") << u"1:x\r\ny\nz|1 7:q 8:w"_s;
        QTest::newRow("a quote inside a field") << QByteArray("ab\"c,d") << u"1:ab\"c|d"_s;
        QTest::newRow("not UTF-8") << QByteArray("Ogre\x92s,\xe9") << u"1:Ogre’s|é"_s;
        QTest::newRow("never closed")
            << QByteArray("a\r\n\"b\r\nc") << u"line 2: a quoted field is not closed"_s;
        QTest::newRow("after the quote")
            << QByteArray("\"a\"\r\n\"a\"b") << u"line 2: text after a closing quote"_s;
    }
    void readsCsv()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, read);
        const csv::Table table = csv::read(bytes);
        QStringList rows{table.error};
        for (qsizetype i = 0; i < table.rows.size(); ++i)
            rows.append(QString::number(table.lines[i]) + u':' + table.rows[i].join(u'|'));
        QCOMPARE(rows.join(u' ').trimmed(), read);
    }

    // What is written reads back, here and in a spreadsheet's reader (Python's).
    void writesCsv()
    {
        const QList<QStringList> rows = {{u"Crab, Giant"_s, u"say \"hi\"\r\nthen\nrun"_s},
                                         {{}, u" 漢字 😀 "_s, u"a\tb"_s}, {QString()}};
        const QByteArray bytes = csv::write(rows);
        QCOMPARE(csv::read(bytes).rows, rows);
        QProcess python;
        python.start(u"python3"_s, {u"-c"_s, u"import csv, io, json, sys; print(json.dumps(list("
                                             "csv.reader(io.StringIO(sys.stdin.buffer.read()."
                                             "decode('utf-8-sig'), newline='')))))"_s});
        python.write(bytes);
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished() && python.exitCode() == 0);
        QList<QStringList> read;
        for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
            read.append(row.toVariant().toStringList());
        QCOMPARE(read, rows);
        QCOMPARE(csv::tabSeparated({{u"a\tb"_s, u"\"q\""_s, u"x\r\ny\n"_s}, {u"1"_s}}),
                 u"a b\t\"\"\"q\"\"\"\tx y \r\n1\r\n"_s);
    }

    void readsVersionFile()
    {
        using namespace versionfile;
        // The first item, as Windows-1252 (the item reader's rules are readsItems').
        QCOMPARE(firstField(" \t\x80 1,x\r\ny"), u"\u20ac 1"_s);
        QVERIFY(databaseVersionsDiffer(u"2026.12ab"_s, u"2026.12aB"_s)); // the ninth, in its case
        // A missing or unreadable file has no version; what is stored for a reply reads back as
        // its first nine characters.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"vers.dat"_s);
        QCOMPARE(readLocalVersion(path), std::nullopt); // a folder: keepsToTheDataFolder
        const QString reply = u"\u20ac,\r\n2026.12abc"_s;
        testsupport::writeFile(path, localFileBytes(reply));
        QCOMPARE(readLocalVersion(path), reply.left(kVersionLength));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
