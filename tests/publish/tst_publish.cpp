// Publishing: the version rules, what the check finds, every refusal (and that it writes
// nothing), histories of runs on one site (some stopped part-way), and the real command run
// twice at once and refused a folder or a file (killed: tst_publishroundtrip).
#include "publish.h"
#include "testsupport.h"
#include "updatelist.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testsupport;

namespace {

const QString kBase = u"http://127.0.0.1:1/"_s;
const QDate kDay(2026, 12, 15);

QString published(const QString &site)
{
    return windows1252::decode(readFile(site + u"monster/update.dat"_s));
}

// What a player's program would fetch from the site now: every file update.dat lists, from
// its address, holds exactly the listed size, and a name and version seen before (`seen`
// carries them from look to look) holds the same bytes as then.
void fetchAsPlayer(const QString &site, QHash<QString, QByteArray> &seen)
{
    for (const UpdateEntry &entry : readUpdateList(published(site)).entries) {
        const QString path = site + QUrl::fromPercentEncoding(entry.url.mid(kBase.size()).toUtf8());
        const QByteArray bytes = readFile(path);
        QVERIFY2(QFileInfo(path).isFile() && bytes.size() == entry.size, qPrintable(path));
        QCOMPARE(seen.value(entry.fileName + u' ' + entry.version, bytes), bytes);
        seen.insert(entry.fileName + u' ' + entry.version, bytes);
    }
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
        for (const QString &change :
             u"/1 9/10 007/8 1.5/1 99999999999999999999/100000000000000000000"_s.split(u' '))
            QCOMPARE(publish::nextFileVersion(change.section(u'/', 0, 0)), change.section(u'/', 1));
        using publish::nextDatabaseVersion;
        QCOMPARE(nextDatabaseVersion(kDay, {}), u"202612151"_s);
        // The program reads "202612151-x" as 202612151.
        QCOMPARE(nextDatabaseVersion(kDay, {u"2026121519"_s, u"202612151-x"_s}), u"202612152"_s);
        // The tenth of a day; a clock set back; versions written by hand before.
        QCOMPARE(nextDatabaseVersion(kDay, {u"202612159"_s}), u"202612161"_s);
        QCOMPARE(nextDatabaseVersion(kDay.addDays(-1), {u"202612153"_s}), u"202612154"_s);
        QCOMPARE(nextDatabaseVersion(kDay, {u"2026.1215"_s, u"\"2026121\""_s}), u"202612151"_s);
    }

    void findings_data()
    {
        QTest::addColumn<Files>("data");
        QTest::addColumn<Files>("site");
        QTest::addColumn<QString>("where"); // BASE_URL and SITE_DIR below the test's folder
        QTest::addColumn<QString>("found"); // by the check, why it is refused, or published
        QTest::addColumn<bool>("refused");
        const auto row = [](const char *name, const Files &data, const QString &found,
                            bool refused = true, const Files &site = {},
                            const QString &base = kBase, const QString &siteName = u"site/"_s) {
            QTest::newRow(name) << data << site << base + u' ' + siteName << found << refused;
        };
        const QByteArray db = dataFile({record(u"Ant"_s)});
        // A data file that is refused, "|", what the refusal says, and "|" a shell command that
        // makes it in its place: a link, a named pipe, a name in bytes that are no UTF-8.
        for (
            const QString &refusal :
            {u"a,b.gif|a,b.gif: the name holds a comma"_s,
             u"a\"b.gif|the name holds a double quote"_s, u"a\nb.gif|the name holds a line break"_s,
             u"pics\\b.gif|the name holds a \\"_s, u" b.gif|a space at its start or end"_s,
             u"\u0151.gif|Windows-1252 cannot hold"_s,
             u"a:b.gif|the downloader refuses this name"_s,
             u"a|a.gif: a link that leads outside the data folder, to |touch a.gif; ln -s ../a.gif data"_s,
             u"a|pics: a link that leads outside|ln -s .. data/pics"_s,
             u"a|caf\u00e9.gif: the name is not UTF-8|touch \"data/$(printf 'caf\\351.gif')\""_s}) {
            const QStringList parts = refusal.split(u'|');
            row(qPrintable(parts[1]),
                {{u"cml.nmd"_s, db},
                 {parts.size() > 2 ? u"sh"_s : parts[0], parts.value(2).toUtf8()}},
                parts[1]);
        }
        row("no database", {{u"a.gif"_s, "x"}}, u"cml.nmd: missing"_s);
        row("comma in a record", {{u"cml.nmd"_s, db + "Bat|1,Cat|2\r\n"}},
            u"cml.nmd:3: a comma splits it into 2"_s);
        row("quote", {{u"cml.nmd"_s, "\"Ant|1\r\n"}}, u"cml.nmd:1: holds a double quote"_s);
        row("blank", {{u"cml.nmd"_s, " Ant|1\r\n"}}, u"cml.nmd:1: starts with a blank"_s);
        row("UTF-8", {{u"cml.nmd"_s, db + record(u"\u017Darn"_s).join(u'|').toUtf8()}},
            u"cml.nmd:3: is saved as UTF-8, and players would see \"\u00C5\u00BDarn\""_s);
        row("byte-order mark", {{u"cml.nmd"_s, "\xEF\xBB\xBF" + db}},
            u"cml.nmd:1: starts with a UTF-8 byte-order mark, and players would see \"\u00EF\u00BB"_s);
        const Files data{{u"cml.nmd"_s, db}};
        const QByteArray list = "2\r\ncml.nmd,3\"," + QByteArray::number(db.size()) + "," +
                                kBase.toLatin1() + "monster/files/cml.nmd\r\n";
        row("quote in a kept version", data,
            u"/monster/update.dat:2: the version of cml.nmd holds a double quote"_s, true,
            {{u"monster/files/cml.nmd"_s, db}, {u"monster/update.dat"_s, list}});
        row("unreadable list", data, u"update.dat: cannot be read as an update list"_s, true,
            {{u"monster/update.dat"_s, "3\r\nx\r\n"}});
        row("ftp", data, u"not an http or https"_s, true, {}, u"ftp://x/"_s);
        row("query", data, u"has a query or a fragment"_s, true, {}, u"http://x/?a=1"_s);
        row("comma in the address", data, u"update.dat cannot carry"_s, true, {}, u"http://x/,/"_s);
        row("password", data, u"BASE_URL http://me@x/: holds a user"_s, true, {},
            u"http://me:pw@x/"_s);
        row("no such parent", data, u"to be made in, "_s, true, {}, kBase, u"no/such/site/"_s);
        row("site is the data", {{u"cml.nmd"_s, db}, {u"sh"_s, "ln -s data www"}},
            u"www/: lies inside the data folder"_s, true, {}, kBase, u"www/"_s);

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
        row("a linked folder inside",
            {{u"cml.nmd"_s, dataFile({record(u"Eel"_s, u"pics/e.gif"_s)})},
             {u"sh"_s, "mkdir data/real; printf e > data/real/e.gif; ln -s real data/pics"}},
            u"pics/e.gif,1,1,"_s, false);
    }

    // A file as large as update.dat can list passes; one byte more is refused.
    void sizesUpToTheListsLimit()
    {
        QTemporaryDir dir;
        writeFiles(dir.path() + u'/', {{u"cml.nmd"_s, dataFile({record(u"Ant"_s)})},
                                       {u"a.bin"_s, "sparse 2147483647"},
                                       {u"b.bin"_s, "sparse 2147483648"}});
        QStringList refused;
        for (const publish::Finding &finding : publish::checkDataFolder(dir.path()).findings)
            refused.append(finding.refuses ? finding.text().remove(dir.path()) : QString());
        refused.removeAll(QString());
        QCOMPARE(
            refused,
            QStringList{u"/b.bin: 2147483648 bytes; update.dat holds sizes up to 2147483647"_s});
    }

    void findings()
    {
        QFETCH(Files, data);
        QFETCH(Files, site);
        QFETCH(QString, where);
        QFETCH(QString, found);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString dataDir = dir.filePath(u"data/"_s),
                      siteDir = dir.filePath(where.section(u' ', 1));
        const QString script = QString::fromUtf8(data.take(u"sh"_s));
        writeFiles(dataDir, data);
        writeFiles(dir.filePath(u"site/"_s), site);
        QProcess::execute(u"sh"_s, {u"-c"_s, u"cd \"%1\"; %2"_s.arg(dir.path(), script)});
        const auto before = fileTimes(dir.path());
        const auto outcome = publish::publish({dataDir, siteDir, where.section(u' ', 0, 0), kDay});
        QString reported = published(siteDir);
        for (const publish::Finding &finding : outcome.notes + outcome.refusals)
            reported += u'\n' + finding.text().remove(dataDir);
        QVERIFY2(reported.contains(found), qPrintable(reported));
        QCOMPARE(outcome.written, !refused);
        if (refused)
            QCOMPARE(fileTimes(dir.path()), before);
        QProcess::execute(u"rm"_s, {u"-rf"_s, dir.path()}); // a name Qt cannot see
    }

    // Runs on one site, each "<data folder> <change>...": "name=bytes" writes a file,
    // "-name" removes it, "shipped" lists every file at version 3 in the folder's own
    // update.dat (as the bundled data does), "-record" removes the site's record, "stop:N"
    // stops the run after step N as a kill would, and "name@version" is what the site must
    // then list. At every step a player fetches a whole release.
    void histories_data()
    {
        QTest::addColumn<QString>("runs"); // separated by " / "
        QTest::newRow("shipped at 3, fixed twice at one size")
            << u"A a.gif=aa shipped a.gif@4 / A a.gif=ab a.gif@5 / A a.gif=ac a.gif@6 / A a.gif@6"_s;
        QTest::newRow("dropped and brought back")
            << u"A a.gif=aa b.gif=bb a.gif@1 / A -a.gif / A a.gif=aa a.gif@2 / A -a.gif"_s;
        QTest::newRow("two data folders")
            << u"A a.gif=aa a.gif@1 / B a.gif=bb shipped a.gif@4 / A a.gif@5 / B a.gif@6"_s;
        QTest::newRow("record lost") << u"A a.gif=aa / A a.gif=ab / A -record a.gif=ac a.gif@3"_s;
        // A version once taken is not used again, and a list once out gets a version.
        for (int step = 0; step <= int(publish::Step::Pruned); ++step)
            QTest::newRow(qPrintable(u"stopped after step %1"_s.arg(step)))
                << u"A a.gif=aa c.gif=cc / A a.gif=ab d.gif=dd -c.gif stop:%1 / A a.gif@%2"_s
                       .arg(step)
                       .arg(step < int(publish::Step::Listed) ? 3 : 2);
    }

    void histories()
    {
        QFETCH(QString, runs);
        QTemporaryDir dir;
        const QString site = dir.filePath(u"site/"_s);
        QHash<QString, QByteArray> seen;
        QHash<QString, QString> listOf; // each database version's list
        QStringList lists;              // of each release
        // A run stopped or a record lost leaves files for a while that no list names.
        const bool irregular = runs.contains(u"stop:"_s) || runs.contains(u"-record"_s);
        for (const QString &run : runs.split(u" / "_s)) {
            const QStringList tokens = run.split(u' ');
            const QString data = dir.filePath(tokens[0] + u'/');
            writeFiles(data, {{u"cml.nmd"_s, dataFile({record(u"Ant"_s)})}});
            int stop = -1;
            for (const QString &token : tokens.mid(1)) {
                if (token.startsWith(u"stop:"))
                    stop = token.mid(5).toInt();
                else if (token.startsWith(u'-'))
                    QFile::remove(token == u"-record" ? site + publish::historyName()
                                                      : data + token.mid(1));
                else if (token.contains(u'='))
                    writeFile(data + token.section(u'=', 0, 0), token.section(u'=', 1).toUtf8());
                else if (token == u"shipped") {
                    QList<UpdateEntry> entries;
                    for (const QString &name : QDir(data).entryList(QDir::Files)) {
                        entries.append({name, u"3"_s, QFileInfo(data + name).size(), kBase});
                        seen.insert(name + u" 3"_s, readFile(data + name));
                    }
                    writeFile(data + u"update.dat"_s, windows1252::encode(listText(entries)));
                }
            }
            const auto times = fileTimes(site, QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
            const publish::Outcome outcome =
                publish::publish({data, site, kBase, kDay, 1, 0, [&](publish::Step done) {
                                      fetchAsPlayer(site, seen);
                                      return int(done) != stop;
                                  }});
            QCOMPARE(outcome.writeError, stop < 0 ? QString() : u"stopped"_s);
            if (stop >= 0)
                continue;
            for (QString token : tokens.filter(u"@"_s))
                QVERIFY(published(site).contains(u'\n' + token.replace(u'@', u',') + u','));
            // One database version, one list.
            const QString version = QString::fromLatin1(readFile(site + u"monster/vers.dat"_s));
            QCOMPARE(listOf.value(version, published(site)), published(site));
            listOf.insert(version, published(site));
            if (!outcome.written) {
                QCOMPARE(fileTimes(site), times);
                continue;
            }
            lists.append(published(site));
            // What this release and the one before list stays, and nothing else (--keep 1).
            QSet<QString> kept;
            for (const QString &list : lists.mid(lists.size() - 2))
                for (const UpdateEntry &entry : readUpdateList(list).entries)
                    kept.insert(entry.url.mid(kBase.size() + 14)); // below monster/files/
            const QStringList stored = snapshot(site + u"monster/files/"_s).keys();
            QVERIFY(QSet(stored.cbegin(), stored.cend()).contains(kept) &&
                    (irregular || stored.size() == kept.size()));
        }
    }

    // The command itself: two at once on one site, a folder it may not write and a file it
    // may not read (conditions that hold for root too).
    void realRuns()
    {
        QTemporaryDir dir;
        const QString site = dir.filePath(u"site/"_s);
        QHash<QString, QByteArray> seen;
        for (const QString &folder : {u"A/"_s, u"B/"_s}) // large enough for two runs to meet
            writeFiles(dir.filePath(folder), {{u"cml.nmd"_s, dataFile({record(u"Ant"_s)})},
                                              {u"a.gif"_s, folder.toUtf8()},
                                              {u"big.bin"_s, "sparse 50000000"}});
        // As root, without the capabilities that pass by file permissions.
        const QString asOwner =
            geteuid() ? u"--"_s : u"--bounding-set=-dac_override,-dac_read_search"_s;
        const auto start = [&](QProcess &process, const QString &folder) {
            process.start(u"setpriv"_s,
                          {asOwner, u"" NV_PUBLISH_PATH ""_s, dir.filePath(folder), site, kBase});
        };
        QProcess a, b;
        start(a, u"A"_s);
        start(b, u"B"_s);
        QVERIFY(a.waitForFinished() && b.waitForFinished() && a.exitCode() + b.exitCode() == 0);
        QVERIFY(a.readAllStandardOutput() != b.readAllStandardOutput()); // one after the other
        fetchAsPlayer(site, seen);

        writeFile(dir.filePath(u"A/a.gif"_s), "AB");
        for (const auto &[file, mode, message] :
             {std::tuple(u"site/monster"_s, QFile::ReadOwner | QFile::ExeOwner,
                         "site/monster/: cannot be written: Permission denied"),
              std::tuple(u"A/a.gif"_s, QFile::Permissions(),
                         "A/a.gif: cannot be read: Permission denied")}) {
            const auto before = fileTimes(site);
            QFile::setPermissions(dir.filePath(file), mode);
            start(a, u"A"_s);
            QVERIFY(a.waitForFinished() && a.exitCode() == 1);
            QFile::setPermissions(dir.filePath(file), QFile::Permissions(0x7000)); // rwx------
            QVERIFY2(a.readAllStandardError().contains(message), message);
            QCOMPARE(fileTimes(site), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
