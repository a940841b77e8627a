#include "datafolder.h"
#include "downloadprogress.h"
#include "testsupport.h"
#include "updatelist.h"
#include "versionfile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestUpdateList : public QObject
{
    Q_OBJECT
private slots:
    void readsList_data();
    void readsList();
    void marksNeeded();
    void checksFileNames();
    void showsProgress();
    void readsVersionFile();
};

void TestUpdateList::readsList_data()
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

void TestUpdateList::readsList()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const UpdateList list = readUpdateList(text);
    QCOMPARE(list.problem.isEmpty(), list.readable);
    QCOMPARE(list.readable ? listText(list.entries) : u"unreadable"_s, expected);
}

void TestUpdateList::marksNeeded()
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

void TestUpdateList::checksFileNames()
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

void TestUpdateList::showsProgress()
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

void TestUpdateList::readsVersionFile()
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

QTEST_GUILESS_MAIN(TestUpdateList)
#include "tst_updatelist.moc"
