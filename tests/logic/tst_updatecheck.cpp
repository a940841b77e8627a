#include "appinfo.h"
#include "updatecheck.h"

#include <QTest>

using namespace Qt::StringLiterals;
using updatecheck::Mode;

Q_DECLARE_METATYPE(updatecheck::Mode)

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
    void outcomes_data();
    void outcomes();
    void newVersionPromptQuotesTheReply();
};

void TestUpdateCheck::outcomes_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("programReply");
    QTest::addColumn<QStringList>("databaseReplies"); // one per fetch
    QTest::addColumn<QString>("local");
    QTest::addColumn<bool>("answer"); // to every question
    // The questions asked (N: new version, D: database), then what followed.
    QTest::addColumn<QString>("outcome");

    const QString running = appinfo::runningVersion(), local = u"2026.12a"_s;
    const QStringList same{local}, newer{u"2026.12b"_s};
    const QString nothing, update = u"D, downloader, found"_s, asked = u"D, found"_s;
    const auto S = Mode::Startup, M = Mode::Manual;

    QTest::newRow("start: both current") << S << running << same << local << true << nothing;
    QTest::newRow("start: database newer, yes") << S << running << newer << local << true << update;
    QTest::newRow("start: program reply is a web page")
        << S << u"<HTML><body>Moved</body>"_s << newer << local << true << update;
    QTest::newRow("start: program fails") << S << kFails << newer << local << true << update;
    QTest::newRow("start: new program, yes")
        << S << u"1.8.5000"_s << newer << local << true << u"N, page, found"_s;
    QTest::newRow("start: version with a line break differs")
        << S << running + u"\r\n"_s << same << local << false << u"N, found"_s;
    QTest::newRow("start: empty program reply differs")
        << S << QString() << same << local << false << u"N, found"_s;
    QTest::newRow("start: program step off") << S << kOff << newer << local << true << nothing;
    QTest::newRow("start: empty database reply")
        << S << running << QStringList{QString()} << local << true << nothing;
    QTest::newRow("start: database fetch retried")
        << S << running << QStringList{kFails, u"2026.12b"_s} << local << true << update;
    QTest::newRow("start: database fetch fails twice")
        << S << running << QStringList{kFails, kFails} << local << true << nothing;
    QTest::newRow("start: no vers.dat") << S << running << same << kMissing << true << update;
    QTest::newRow("start: nine characters count")
        << S << running << QStringList{u"2026.12ab-hotfix\r\n"_s} << u"2026.12ab"_s << true
        << nothing;
    QTest::newRow("start: short reply compared whole")
        << S << running << QStringList{u"2026\r\n"_s} << u"2026"_s << true << update;
    QTest::newRow("start: database reply is a web page")
        << S << running << QStringList{u"<html>404</html>"_s} << local << true << nothing;

    QTest::newRow("manual: both current") << M << running << same << local << true << nothing;
    QTest::newRow("manual: program reply is a web page")
        << M << u"<Html>"_s << newer << local << true << nothing;
    QTest::newRow("manual: program fails") << M << kFails << newer << local << true << nothing;
    QTest::newRow("manual: new program, no")
        << M << u"1.8.5000"_s << newer << local << false << u"N, found"_s;
    QTest::newRow("manual: database newer") << M << running << newer << local << true << update;
    QTest::newRow("manual: empty database reply differs")
        << M << running << QStringList{QString()} << local << false << asked;
    QTest::newRow("manual: empty reply and no local version")
        << M << running << QStringList{QString()} << kMissing << true << nothing;
}

void TestUpdateCheck::outcomes()
{
    QFETCH(Mode, mode);
    QFETCH(QString, programReply);
    QFETCH(QStringList, databaseReplies);
    QFETCH(QString, local);
    QFETCH(bool, answer);
    QFETCH(QString, outcome);

    const updatecheck::Urls urls{u"http://p/monster.txt"_s, u"http://d/monster/vers.dat"_s,
                                 u"http://w/download"_s};
    QStringList what;
    int databaseFetches = 0;
    updatecheck::Hooks hooks;
    hooks.fetchText = [&](const QString &url) -> std::optional<QString> {
        const QString reply = url == urls.databaseVersion
                                  ? databaseReplies.value(databaseFetches++, databaseReplies.last())
                                  : programReply;
        return reply == kFails ? std::nullopt : std::optional(reply);
    };
    hooks.askYesNo = [&](const QString &title, const QString &) {
        what.append(title == updatecheck::newVersionTitle() ? u"N"_s : u"D"_s);
        return answer;
    };
    hooks.openPage = [&](const QString &url) {
        what.append(url == urls.downloadPage ? u"page"_s : url);
    };
    hooks.localDatabaseVersion = [&]() -> std::optional<QString> {
        return local == kMissing ? std::nullopt : std::optional(local);
    };

    const auto result = updatecheck::run(mode, programReply != kOff, true, urls, hooks);
    if (result.openDownloader)
        what.append(u"downloader"_s);
    if (result.updatesFound)
        what.append(u"found"_s);
    QCOMPARE(what.join(u", "), outcome);
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
