#include "appinfo.h"
#include "updatecheck.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace updatecheck;

namespace {

// In the rows, this program reply stands for a switched-off program step, this reply for a
// failed transfer and this version for a missing vers.dat.
const QString kOff = u"<step off>"_s;
const QString kFails = u"<transfer fails>"_s;
const QString kMissing = u"<no vers.dat>"_s;

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT
private slots:
    void outcomes_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("programReply");
        QTest::addColumn<QStringList>("database"); // the replies, one per fetch
        QTest::addColumn<QString>("local");
        QTest::addColumn<bool>("answer"); // to every question
        // The questions asked (N: new version, D: database), then what followed; "unsure"
        // when some step could not tell.
        QTest::addColumn<QString>("outcome");

        const QString running = appinfo::runningVersion(), local = u"2026.12a"_s;
        const QStringList same{local}, newer{u"2026.12b"_s};
        const QString nothing, update = u"D, downloader, found"_s, asked = u"D, found"_s,
                               program = u"N, found"_s, unsure = u"unsure"_s,
                               shaky = update + u", unsure"_s;
        const auto S = Mode::Startup, M = Mode::Manual;
        const auto row = [](const char *name, Mode mode, const QString &program,
                            const QStringList &database, const QString &local, bool answer,
                            const QString &outcome) {
            QTest::newRow(name) << mode << program << database << local << answer << outcome;
        };

        // At start-up.
        row("both current", S, running, same, local, true, nothing);
        row("database newer, yes", S, running, newer, local, true, update);
        row("program reply a web page", S, u"<HTML>Moved"_s, newer, local, true, shaky);
        row("program fails", S, kFails, newer, local, true, shaky);
        row("new program, yes", S, u"1.8.5000"_s, newer, local, true, u"N, page, found"_s);
        row("line break differs", S, running + u"\r\n"_s, same, local, false, program);
        row("empty program reply differs", S, QString(), same, local, false, program);
        // A version is at most 256 characters; a longer reply is a sign-in page.
        row("long reply no version", S, u"Sign in "_s.repeated(32) + u'!', newer, local, true,
            shaky);
        row("longest reply a version", S, u"9"_s.repeated(256), same, local, false, program);
        row("program step off", S, kOff, newer, local, true, nothing);
        row("empty database reply", S, running, {QString()}, local, true, nothing);
        row("database fetch retried", S, running, {kFails, newer[0]}, local, true, update);
        row("database fetch fails twice", S, running, {kFails, kFails}, local, true, unsure);
        row("no vers.dat", S, running, same, kMissing, true, update);
        row("first nine count", S, running, {u"2026.12ab-x\r\n"_s}, u"2026.12ab"_s, true, nothing);
        row("short reply whole", S, running, {u"2026\r\n"_s}, u"2026"_s, true, update);
        row("database reply a web page", S, running, {u"<html>"_s}, local, true, unsure);

        row("manual: program reply a web page", M, u"<Html>"_s, newer, local, true, unsure);
        row("manual: empty database reply", M, running, {QString()}, local, false, asked);
        row("manual: empty reply, no vers.dat", M, running, {QString()}, kMissing, true, nothing);
    }

    void outcomes()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, programReply);
        QFETCH(QStringList, database);
        QFETCH(QString, local);
        QFETCH(bool, answer);
        QFETCH(QString, outcome);

        const Urls urls{u"program"_s, u"database"_s, u"page"_s};
        QStringList what;
        int fetches = 0; // of the database version
        // Every answer arrives later, from the event loop, as the network's and the user's do.
        const auto later = [](auto call) { QTimer::singleShot(0, qApp, call); };
        Hooks hooks;
        hooks.fetchText = [&](const QString &url, auto done) {
            const QString reply = url == urls.programVersion
                                      ? programReply
                                      : database.value(fetches++, database.last());
            later([done, reply] {
                done(reply == kFails ? Reply{std::nullopt, u"refused"_s} : Reply{reply, {}});
            });
        };
        hooks.askYesNo = [&](const QString &title, const QString &text, auto answered) {
            what.append(title == newVersionTitle() ? u"N"_s : u"D"_s);
            later([answered, answer] { answered(answer); });
            // The new version is quoted as the server sent it, line breaks and all.
            if (what.last() == u"N")
                QVERIFY(text.contains(u"New Version: "_s + programReply + u"\r\n\r\nWould"_s));
        };
        hooks.openPage = [&](const QString &url) { what.append(url); };
        hooks.localDatabaseVersion = [&]() -> std::optional<QString> {
            return local == kMissing ? std::nullopt : std::optional(local);
        };

        UpdateCheck check(mode, programReply != kOff, true, urls, hooks);
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.start();
        QTRY_COMPARE(finished.count(), 1);
        const auto result = finished.at(0).at(0).value<Outcome>();
        if (result.openDownloader)
            what.append(u"downloader"_s);
        if (result.updatesFound)
            what.append(u"found"_s);
        // A check that found nothing says why, when it could not tell.
        if (!result.programFailure.isEmpty() || !result.databaseFailure.isEmpty())
            what.append(u"unsure"_s);
        QCOMPARE(what.join(u", "), outcome);
        // The database version is always fetched, even when it is not compared.
        QVERIFY(fetches >= 1);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
