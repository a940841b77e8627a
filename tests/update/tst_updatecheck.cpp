#include "app/appinfo.h"
#include "update/updatecheck.h"

#include <QTest>

using namespace Qt::StringLiterals;
using updatecheck::Mode;

Q_DECLARE_METATYPE(updatecheck::Mode)

namespace {

// In the rows, this reply stands for a failed transfer and this version for a missing
// vers.dat.
const QString kFails = u"<transfer fails>"_s;
const QString kMissing = u"<no vers.dat>"_s;
const QString kNewVersion = u"N"_s; // the new-version question
const QString kDatabase = u"D"_s;   // the database question

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void newVersionPromptQuotesTheReply();
};

void TestUpdateCheck::outcomes_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("programStep");
    QTest::addColumn<QString>("programReply");
    QTest::addColumn<QStringList>("databaseReplies"); // one per fetch
    QTest::addColumn<QString>("local");
    QTest::addColumn<bool>("answer"); // to every question
    QTest::addColumn<QString>("questions");
    QTest::addColumn<bool>("pageOpened");
    QTest::addColumn<bool>("downloader");
    QTest::addColumn<bool>("updatesFound");

    const QString running = appinfo::runningVersion();
    const QStringList same{u"2026.12a"_s};
    const QStringList newer{u"2026.12b"_s};
    const QString local = u"2026.12a"_s;
    const auto S = Mode::Startup;
    const auto M = Mode::Manual;

    // mode, program step, program reply, database replies, local, answer
    //   -> questions asked, page opened, downloader, updates found
    QTest::newRow("start: both current")
        << S << true << running << same << local << true << u""_s << false << false << false;
    QTest::newRow("start: database newer, yes")
        << S << true << running << newer << local << true << u"D"_s << false << true << true;
    QTest::newRow("start: database newer, no")
        << S << true << running << newer << local << false << u"D"_s << false << false << true;
    QTest::newRow("start: program reply is a web page")
        << S << true << u"<HTML><body>Moved</body>"_s << newer << local << true << u"D"_s << false
        << true << true;
    QTest::newRow("start: program fetch fails")
        << S << true << kFails << newer << local << true << u"D"_s << false << true << true;
    QTest::newRow("start: new program, yes")
        << S << true << u"1.8.5000"_s << newer << local << true << u"N"_s << true << false << true;
    QTest::newRow("start: new program, no") << S << true << u"1.8.5000"_s << newer << local << false
                                            << u"N"_s << false << false << true;
    QTest::newRow("start: version with a line break differs")
        << S << true << running + u"\r\n"_s << same << local << false << u"N"_s << false << false
        << true;
    QTest::newRow("start: empty program reply differs")
        << S << true << QString() << same << local << false << u"N"_s << false << false << true;
    QTest::newRow("start: program step off never compares")
        << S << false << running << newer << local << true << u""_s << false << false << false;
    QTest::newRow("start: empty database reply")
        << S << true << running << QStringList{QString()} << local << true << u""_s << false
        << false << false;
    QTest::newRow("start: database fetch retried")
        << S << true << running << QStringList{kFails, u"2026.12b"_s} << local << true << u"D"_s
        << false << true << true;
    QTest::newRow("start: database fetch fails twice")
        << S << true << running << QStringList{kFails, kFails} << local << true << u""_s << false
        << false << false;
    QTest::newRow("start: no local version file")
        << S << true << running << same << kMissing << true << u"D"_s << false << true << true;
    QTest::newRow("start: only the first nine characters count")
        << S << true << running << QStringList{u"2026.12ab-hotfix\r\n"_s} << u"2026.12ab"_s << true
        << u""_s << false << false << false;
    QTest::newRow("start: short reply compared whole")
        << S << true << running << QStringList{u"2026\r\n"_s} << u"2026"_s << true << u"D"_s
        << false << true << true;
    QTest::newRow("start: database reply is a web page")
        << S << true << running << QStringList{u"<html>404</html>"_s} << local << true << u""_s
        << false << false << false;

    QTest::newRow("manual: both current")
        << M << true << running << same << local << true << u""_s << false << false << false;
    QTest::newRow("manual: program reply is a web page")
        << M << true << u"<Html>"_s << newer << local << true << u""_s << false << false << false;
    QTest::newRow("manual: program fetch fails")
        << M << true << kFails << newer << local << true << u""_s << false << false << false;
    QTest::newRow("manual: new program, no") << M << true << u"1.8.5000"_s << newer << local
                                             << false << u"N"_s << false << false << true;
    QTest::newRow("manual: database newer, yes")
        << M << true << running << newer << local << true << u"D"_s << false << true << true;
    QTest::newRow("manual: empty database reply differs")
        << M << true << running << QStringList{QString()} << local << false << u"D"_s << false
        << false << true;
    QTest::newRow("manual: empty reply and no local version")
        << M << true << running << QStringList{QString()} << kMissing << true << u""_s << false
        << false << false;
}

void TestUpdateCheck::outcomes()
{
    QFETCH(Mode, mode);
    QFETCH(bool, programStep);
    QFETCH(QString, programReply);
    QFETCH(QStringList, databaseReplies);
    QFETCH(QString, local);
    QFETCH(bool, answer);
    QFETCH(QString, questions);
    QFETCH(bool, pageOpened);
    QFETCH(bool, downloader);
    QFETCH(bool, updatesFound);

    const updatecheck::Urls urls{u"http://p/monster.txt"_s, u"http://d/monster/vers.dat"_s,
                                 u"http://w/download"_s};
    QString asked;
    QStringList opened;
    int databaseFetches = 0;
    updatecheck::Hooks hooks;
    hooks.fetchText = [&](const QString &url) -> std::optional<QString> {
        const QString reply = url == urls.databaseVersion
                                  ? databaseReplies.value(databaseFetches++, databaseReplies.last())
                                  : programReply;
        if (reply == kFails)
            return std::nullopt;
        return reply;
    };
    hooks.askYesNo = [&](const QString &title, const QString &) {
        asked += title == updatecheck::newVersionTitle() ? kNewVersion : kDatabase;
        return answer;
    };
    hooks.openPage = [&](const QString &url) { opened.append(url); };
    hooks.localDatabaseVersion = [&]() -> std::optional<QString> {
        if (local == kMissing)
            return std::nullopt;
        return local;
    };

    const updatecheck::Outcome outcome = updatecheck::run(mode, programStep, true, urls, hooks);
    QCOMPARE(asked, questions);
    QCOMPARE(opened, pageOpened ? QStringList{urls.downloadPage} : QStringList());
    QCOMPARE(outcome.openDownloader, downloader);
    QCOMPARE(outcome.updatesFound, updatesFound);
    // The database version is always fetched, even when it is not compared.
    QVERIFY(databaseFetches >= 1);
}

void TestUpdateCheck::newVersionPromptQuotesTheReply()
{
    QCOMPARE(updatecheck::newVersionPrompt(u"1.7.4034"_s, QString(), u"https://x/dl"_s),
             u"There is a new version of the Norvalen English Beta Monster Database availible "
             "for download.\r\n\r\nYour Version: 1.7.4034\r\nNew Version: \r\n\r\nWould you "
             "like to goto https://x/dl to download the new version?"_s);
}

QTEST_APPLESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
