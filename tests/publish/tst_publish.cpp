// Publishing: the version rules, what the check finds, every refusal (and that it writes
// nothing), and runs one after another on one site, one of them cut short.
#include "publish.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace testsupport;

namespace {

const QString kBase = u"http://127.0.0.1:1/"_s;

QString texts(const QList<publish::Finding> &findings, const QString &folder)
{
    QStringList texts;
    for (const publish::Finding &finding : findings)
        texts.append(finding.text().remove(folder));
    return texts.join(u'\n');
}

} // namespace

class TestPublish : public QObject
{
    Q_OBJECT
private slots:
    // A changed file's version: one more when it is a whole number, else 1. The database's:
    // the day and a digit, after every earlier one.
    void versions()
    {
        for (const QString &change : u"/1 9/10 007/8 1.5/1 99999999999999999999/1"_s.split(u' '))
            QCOMPARE(publish::nextFileVersion(change.section(u'/', 0, 0)), change.section(u'/', 1));
        const QDate day(2026, 12, 15);
        using publish::nextDatabaseVersion;
        QCOMPARE(nextDatabaseVersion(day, {}), u"202612151"_s);
        // The program reads "202612151-x" as 202612151.
        QCOMPARE(nextDatabaseVersion(day, {u"2026121519"_s, u"202612151-x"_s}), u"202612152"_s);
        // The tenth of a day; a clock set back; versions written by hand before.
        QCOMPARE(nextDatabaseVersion(day, {u"202612159"_s}), u"202612161"_s);
        QCOMPARE(nextDatabaseVersion(day.addDays(-1), {u"202612153"_s}), u"202612154"_s);
        QCOMPARE(nextDatabaseVersion(day, {u"2026.1215"_s, u"\"2026121\""_s}), u"202612151"_s);
    }

    void findings_data()
    {
        QTest::addColumn<Files>("data");
        QTest::addColumn<Files>("site");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("found"); // by the check, or why the publication is refused
        QTest::addColumn<bool>("refused");
        const auto row = [](const char *name, const Files &data, const QString &found,
                            bool refused = true, const Files &site = {},
                            const QString &base = kBase) {
            QTest::newRow(name) << data << site << base << found << refused;
        };
        const QByteArray db = dataFile({record(u"Ant"_s)});
        // A data file name that is refused, "|", what the refusal says.
        for (const QString &refusal :
             {u"a,b.gif|a,b.gif: the name holds a comma"_s,
              u"a\"b.gif|the name holds a double quote"_s,
              u"a\nb.gif|the name holds a line break"_s, u"pics\\b.gif|the name holds a \\"_s,
              u" b.gif|a space at its start or end"_s, u"\u0151.gif|Windows-1252 cannot hold"_s,
              u"a:b.gif|the downloader refuses this name"_s})
            row(qPrintable(refusal), {{u"cml.nmd"_s, db}, {refusal.section(u'|', 0, 0), "x"}},
                refusal.section(u'|', 1));
        row("2 GiB", {{u"cml.nmd"_s, db}, {u"big.bin"_s, "sparse 2147483648"}},
            u"big.bin: 2147483648 bytes; update.dat holds sizes up to 2147483647"_s);
        row("no database", {{u"a.gif"_s, "x"}}, u"cml.nmd: missing"_s);
        row("comma in a record", {{u"cml.nmd"_s, db + "Bat|1,Cat|2\r\n"}},
            u"cml.nmd:3: a comma splits it into 2"_s);
        row("quote", {{u"cml.nmd"_s, "\"Ant|1\r\n"}}, u"cml.nmd:1: holds a double quote"_s);
        row("blank", {{u"cml.nmd"_s, " Ant|1\r\n"}}, u"cml.nmd:1: starts with a blank"_s);
        const Files data{{u"cml.nmd"_s, db}};
        const QByteArray list = "2\r\ncml.nmd,3\"," + QByteArray::number(db.size()) + ",u\r\n";
        row("quote in a kept version", data,
            u"/monster/update.dat:2: the version of cml.nmd holds a double quote"_s, true,
            {{u"monster/files/cml.nmd"_s, db}, {u"monster/update.dat"_s, list}});
        row("unreadable list", data, u"update.dat: cannot be read as an update list"_s, true,
            {{u"monster/update.dat"_s, "3\r\nx\r\n"}});
        row("ftp", data, u"not an http or https"_s, true, {}, u"ftp://x/"_s);
        row("comma in the address", data, u"update.dat cannot carry"_s, true, {}, u"http://x/,/"_s);

        // Found by the check; published all the same.
        QStringList bytes = record(u"Cat"_s), tab = record(u"Dog"_s);
        bytes[5] = u"odd \u0081 byte"_s;
        tab[4] = u"a\ttab"_s;
        row("reported",
            {{u"cml.nmd"_s,
              dataFile({QStringList{u"Ant"_s, u"1"_s}, record(u"Bat"_s) << u"x"_s, bytes, tab,
                        record(u"Ant"_s), record(u"Eel"_s, u"pics\\gone.gif"_s),
                        record(u"Fox"_s, u"../up.gif"_s)})},
             {u"stray.gif"_s, "x"}},
            u"cml.nmd:1: 2 pieces; a record has 14\ncml.nmd:2: 15 pieces; a record has 14\n"
            u"cml.nmd:3: the description holds byte 0x81, which Windows-1252 does not define\n"
            u"cml.nmd:4: the treasure holds byte 0x09, a control character\n"
            u"cml.nmd:5: \"Ant\" is also the name on line 1\n"
            u"cml.nmd:6: the picture pics/gone.gif is missing\n"
            u"cml.nmd:7: the picture name \"../up.gif\" is not a safe name\n"
            u"stray.gif: no record names this file"_s,
            false);
    }

    void findings()
    {
        QFETCH(Files, data);
        QFETCH(Files, site);
        QFETCH(QString, base);
        QFETCH(QString, found);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString dataDir = dir.filePath(u"data/"_s), siteDir = dir.filePath(u"site/"_s);
        writeFiles(dataDir, data);
        writeFiles(siteDir, site);
        const auto before = fileTimes(siteDir);
        const publish::Outcome outcome = publish::publish({dataDir, siteDir, base});
        const QString reported = texts(outcome.notes + outcome.refusals, dataDir);
        QVERIFY2(reported.contains(found), qPrintable(reported));
        QCOMPARE(outcome.written, !refused);
        if (refused)
            QCOMPARE(fileTimes(siteDir), before);
    }

    void runsOnOneSite()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(u"data/"_s);
        const QString site = dir.filePath(u"site/"_s);
        const auto run = [&](int day) {
            return publish::publish({data, site, kBase, QDate(2026, 12, day)});
        };
        const QByteArray db = dataFile({record(u"Ant"_s, u"pics/café 1.gif"_s)});
        writeFiles(data, {{u"cml.nmd"_s, db}, {u"pics/café 1.gif"_s, "AA"}, {u"old.gif"_s, "O"}});
        QVERIFY(run(15).written);

        // Cut short after a changed file of the same size was copied: update.dat still lists
        // the old version, so the next run must not take the copy for the published file.
        writeFiles(data, {{u"pics/café 1.gif"_s, "AB"}, {u"z.gif"_s, "Z"}});
        QVERIFY(QDir().mkpath(site + u"monster/files/z.gif"_s));
        QVERIFY(run(15).writeError.endsWith(u"z.gif"_s));
        QCOMPARE(readFile(site + u"monster/files/pics/café 1.gif"_s), QByteArray("AB"));
        QVERIFY(QDir(site + u"monster/files/z.gif"_s).removeRecursively());
        QVERIFY(QFile::remove(data + u"old.gif"_s));

        QVERIFY(run(15).written);
        const QString files = kBase + u"monster/files/"_s;
        QCOMPARE(windows1252::decode(readFile(site + u"monster/update.dat"_s)),
                 u"4\r\ncml.nmd,1,%1,"_s.arg(db.size()) + files +
                     u"cml.nmd\r\npics/café 1.gif,2,2,"_s + files +
                     u"pics/caf%C3%A9%201.gif\r\nz.gif,1,1,"_s + files + u"z.gif\r\n\r\n"_s);
        // 202612152 went to the run that was cut short.
        QCOMPARE(readFile(site + u"monster/vers.dat"_s), QByteArray("202612153\r\n"));

        const auto times = fileTimes(site, QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
        QVERIFY(!run(16).written);
        QCOMPARE(fileTimes(site), times);
    }
};

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
