#include "monsters/windows1252.h"
#include "update/updatelist.h"
#include "update/versionfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Entries are written in the tests as their list lines, "name,version,size,url".
QList<UpdateEntry> entries(const QStringList &lines)
{
    QList<UpdateEntry> out;
    for (const QString &line : lines) {
        const QStringList f = line.split(u',');
        out.append({f[0], f[1], f[2].toLongLong(), f[3]});
    }
    return out;
}

} // namespace

class TestUpdateList : public QObject
{
    Q_OBJECT
private slots:
    void readsList_data();
    void readsList();
    void marksNeeded_data();
    void marksNeeded();
    void checksFileNames_data();
    void checksFileNames();
    void showsProgress_data();
    void showsProgress();
    void comparesVersions_data();
    void comparesVersions();
};

void TestUpdateList::readsList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // the entries as listText() writes them
    const auto want = [](const QStringList &lines) { return listText(entries(lines)); };
    const QString a = u"a,1,10,u\r\n"_s, b = u"b,2,20,v\r\n"_s, no = u"unreadable"_s;
    const QStringList ab{u"a,1,10,u"_s, u"b,2,20,v"_s};
    QTest::newRow("count padded") << u" 3 \r\n"_s + a + b << want(ab);
    QTest::newRow("count 3.5 is 4") << u"3.5\r\n"_s + a + b + a << want(ab + ab.first(1));
    QTest::newRow("count 2.5 is 2, rest ignored") << u"2.5\r\n"_s + a + b << want(ab.first(1));
    QTest::newRow("count 1") << u"1\r\n"_s << want({});
    QTest::newRow("web page") << u"<html><body>\r\n"_s + a << no;
    QTest::newRow("negative count") << u"-1\r\n"_s + a << no;
    QTest::newRow("huge count") << u"9"_s.repeated(400) + u"\r\n"_s + a << no;
    QTest::newRow("empty") << QString() << no;
    QTest::newRow("last line not ended") << u"3\r\n"_s + a + b.chopped(2) << no;
    QTest::newRow("lone LF ends no line") << u"3\r\na,1,10,u\n"_s + b << no;
    QTest::newRow("lone LF kept") << u"2\r\na,1,10,u\n\r\n"_s << want({u"a,1,10,u\n"_s});
    QTest::newRow("three fields") << u"3\r\n"_s + a + u"b,2,20\r\n"_s << no;
    QTest::newRow("fifth field ignored") << u"2\r\na,1,10,u,w\r\n"_s << want(ab.first(1));
    QTest::newRow("trimmed, size rounded")
        << u"2\r\n a , 1 , 10.5kb , u \r\n"_s << want(ab.first(1));
    QTest::newRow("size beyond 32 bits")
        << u"2\r\na,1,5368709120,u\r\n"_s << want({u"a,1,5368709120,u"_s});

    // The local copy is read back through regroupLocalList().
    const QStringList local{u"pics/a b.gif,1.0,10,http://x/a"_s, u"b,v2,5368709120,u"_s};
    const QByteArray written = windows1252::encode(want(local)), remote = written.chopped(2);
    QTest::newRow("local: list text") << regroupLocalList(written) << want(local);
    QTest::newRow("local: remote text + CR LF") << regroupLocalList(remote + "\r\n") << want(local);
    QTest::newRow("local: last line not ended")
        << regroupLocalList(remote.chopped(2)) << want(local);
    QTest::newRow("local: quotes, blanks")
        << regroupLocalList("\"2\"\r\n \"a b\", 1,10,u\r\n\r\n") << want({u"a b,1,10,u"_s});
    QTest::newRow("local: windows-1252")
        << regroupLocalList("2\r\n\xe9.gif,1,10,u\r\n\r\n") << want({u"\u00e9.gif,1,10,u"_s});
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

void TestUpdateList::marksNeeded_data()
{
    QTest::addColumn<QStringList>("remote");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QString>("marks"); // x: needs the download
    const QStringList ab{u"a,v,10,u"_s, u"b,v,20,u"_s}, a = ab.first(1);
    QTest::newRow("equal") << ab << ab << u".."_s;
    QTest::newRow("version letter case") << ab << QStringList{u"a,V,10,u"_s, ab[1]} << u"x."_s;
    QTest::newRow("size only") << ab << QStringList{ab[0], u"b,v,21,u"_s} << u".x"_s;
    QTest::newRow("url only") << ab << QStringList{u"a,v,10,w"_s, u"b,v,20,w"_s} << u".."_s;
    QTest::newRow("no local namesake") << ab << a << u".x"_s;
    QTest::newRow("later duplicate current") << a << QStringList{u"a,0,10,u"_s, ab[0]} << u"."_s;
    QTest::newRow("later duplicate old") << a << QStringList{ab[0], u"a,0,10,u"_s} << u"x"_s;
}

void TestUpdateList::marksNeeded()
{
    QFETCH(QStringList, remote);
    QFETCH(QStringList, local);
    QFETCH(QString, marks);
    QList<UpdateEntry> list = entries(remote);
    list.first().needsUpdate = true; // a stale mark from an earlier check is cleared
    QCOMPARE(markNeededEntries(list, entries(local + QStringList{u"c,v,1,u"_s})),
             marks.count(u'x'));
    QString read;
    for (const UpdateEntry &e : list)
        read += e.needsUpdate ? u'x' : u'.';
    QCOMPARE(read, marks);
}

void TestUpdateList::checksFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safe");
    QTest::newRow("plain") << u"cml.nmd"_s << u"cml.nmd"_s;
    QTest::newRow("backslash") << u"pics\\bat.gif"_s << u"pics/bat.gif"_s;
    QTest::newRow("list in a folder") << u"pics/update.dat"_s << u"pics/update.dat"_s;
    QTest::newRow("dots in names") << u"..a/b..gif"_s << u"..a/b..gif"_s;
    for (const char *bad :
         {"../../x", "/home/u/.bashrc", "\\x", "C:\\x", "C:x", "pics/a:b", "pics/../../x", "./x",
          "update.dat", "vers.dat", "a//b", "a/", "a\\\\b", "pics\\.."})
        QTest::newRow(bad) << QString::fromLatin1(bad) << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("tab") << u"a\tb"_s << QString();
    QTest::newRow("DEL") << u"a\x7f"_s << QString();
    QTest::newRow("C1 control") << u"a\u0085b"_s << QString();
}

void TestUpdateList::checksFileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, safe);
    QCOMPARE(safeDataFileName(name), safe);
}

void TestUpdateList::showsProgress_data()
{
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<qint64>("totalKB");
    QTest::addColumn<QList<int>>("percents");
    using Sizes = QList<qint64>;
    QTest::newRow("1500 bytes") << Sizes{1500} << qint64(1) << QList<int>{100};
    QTest::newRow("3000, 5000") << Sizes{3000, 5000} << qint64(8) << QList<int>{37, 98};
    // The running sum is rounded at each step: 3 here, where rounding once would give 2.
    QTest::newRow("700 x3") << Sizes{700, 700, 700} << qint64(3) << QList<int>{23, 46, 69};
    QTest::newRow("no kilobytes") << Sizes{100, 512, 0} << qint64(0) << QList<int>{33, 67, 100};
    QTest::newRow("beyond 32 bits")
        << Sizes{5368709120, 5368709120} << qint64(10485760) << QList<int>{50, 100};
}

void TestUpdateList::showsProgress()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(qint64, totalKB);
    QFETCH(QList<int>, percents);
    QList<UpdateEntry> list;
    for (qint64 size : sizes)
        list.append({u"f"_s, u"1"_s, size, u"u"_s});
    DownloadProgress progress(list);
    QCOMPARE(progress.totalKB(), totalKB);
    QCOMPARE(progress.percent(), 0);
    QList<int> read;
    for (const UpdateEntry &e : list)
        read.append(progress.fileDone(e));
    QCOMPARE(read, percents);
}

void TestUpdateList::comparesVersions_data()
{
    QTest::addColumn<QByteArray>("file"); // the local vers.dat
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("differ");
    QTest::newRow("quoted") << QByteArray("\"2026.12a\"\r\n") << u"2026.12a"_s << false;
    QTest::newRow("unquoted, blanks, comma")
        << QByteArray(" \t2026.12a,x") << u"2026.12a"_s << false;
    QTest::newRow("quoted comma, line break")
        << QByteArray("\"26,\r\n1\"x,y") << u"26,\r\n1"_s << false;
    QTest::newRow("windows-1252") << QByteArray("\x80 1\r\n") << u"\u20ac 1"_s << false;
    QTest::newRow("tails after nine") << QByteArray("2026.12ab-old") << u"2026.12abcd"_s << false;
    QTest::newRow("ninth in capitals") << QByteArray("2026.12ab") << u"2026.12aB"_s << true;
    QTest::newRow("short reply, line break") << QByteArray("2026.12a") << u"2026.12a\n"_s << true;
    QTest::newRow("empty file") << QByteArray() << u"2026.12a"_s << true;
}

void TestUpdateList::comparesVersions()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reply);
    QFETCH(bool, differ);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"vers.dat"_s);
    const auto write = [&](const QByteArray &bytes) {
        QFile out(path);
        return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               out.write(bytes) == bytes.size();
    };
    QCOMPARE(versionfile::readLocalVersion(path), std::nullopt);
    QCOMPARE(versionfile::readLocalVersion(dir.path()), std::nullopt);
    QVERIFY(write(file));
    const QString local = versionfile::readLocalVersion(path).value_or(u"none"_s);
    QCOMPARE(versionfile::databaseVersionsDiffer(local, reply), differ);
    QCOMPARE(versionfile::databaseVersionsDiffer(reply, local), differ);

    // What is stored for a reply reads back as its first nine characters.
    QVERIFY(write(versionfile::localFileBytes(reply)));
    QCOMPARE(versionfile::readLocalVersion(path), reply.left(versionfile::kVersionLength));
    QVERIFY(!versionfile::isWebPage(reply));
    QVERIFY(versionfile::isWebPage(u"<!DOCTYPE x>\n<HTML lang=en>"_s + reply));
}

QTEST_GUILESS_MAIN(TestUpdateList)
#include "tst_updatelist.moc"
