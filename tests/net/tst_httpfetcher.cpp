#include "appinfo.h"
#include "httpfetcher.h"
#include "testserver.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Reply = TestServer::Reply;

namespace {

// Long enough for any loopback answer, short enough that a hung test fails quickly.
constexpr auto kTimeout = 5000ms;
const QByteArray kOldFile = "the old file, longer than anything the server sends\r\n";

// How the window that owns the fetcher ends a transfer: not at all, by abort() or by
// destroying the fetcher at the first progress report, or destroying it before any answer.
enum End { Runs, Aborted, Destroyed, DestroyedAtOnce };

// A canned answer; `generated` >= 0 sends that many bytes of TestServer::generatedBytes()
// instead of `body`, with `pauseMs` before each 64 KiB after the first.
Reply reply(int status, const QByteArray &body, qint64 generated = -1, int pauseMs = 0)
{
    Reply r;
    r.status = status;
    r.body = body;
    r.generatedSize = generated;
    r.chunkDelayMs = pauseMs;
    return r;
}

// Peak resident memory in KiB (since now, with `reset`), or -1 where it cannot be measured.
qint64 peakMemoryKiB(bool reset = false)
{
    QFile clearRefs(u"/proc/self/clear_refs"_s);
    if (reset && !(clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1))
        return -1;
    const QByteArray status = testsupport::readFile(u"/proc/self/status"_s);
    const qsizetype at = status.indexOf("VmHWM:");
    return at < 0 ? -1 : status.mid(at + 6).trimmed().split(' ').value(0).toLongLong();
}

} // namespace

Q_DECLARE_METATYPE(TestServer::Reply)
Q_DECLARE_METATYPE(End)

class TestHttpFetcher : public QObject
{
    Q_OBJECT
private slots:
    // A proxy configured on the machine must not take the loopback requests elsewhere.
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
    void onlyACompleteAnswerCounts_data();
    void onlyACompleteAnswerCounts();
    void requestIsNormalisedRedirectedAndDecoded();
    void busyOrBlockedFetchFailsBeforeAsking();
    void bigDownloadStreamsToDiskWithProgress();
};

void TestHttpFetcher::onlyACompleteAnswerCounts_data()
{
    QTest::addColumn<Reply>("answer"); // a status of 0: nothing listens
    QTest::addColumn<End>("end");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // how the reason starts

    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    Reply late = reply(200, "late"), cut = reply(200, all.repeated(400)),
          cut404 = reply(404, all.repeated(40));
    cut.cutOff = cut404.cutOff = true;
    late.delayMs = 10000;
    // About ten seconds in all, with a progress report at least every tenth of a second.
    const Reply slow = reply(200, {}, 64 * 1024 * 1024, 10);
    const QString timedOut = u"The transfer timed out."_s, notFound = u"HTTP 404 Not Found"_s;
    const QString aborted = u"The transfer was aborted."_s;
    QTest::newRow("every byte value")
        << reply(200, all.repeated(4096)) << Runs << true << 200 << QString();
    QTest::newRow("empty body") << reply(200, {}) << Runs << true << 200 << QString();
    QTest::newRow("404 page") << reply(404, "<html>missing</html>") << Runs << false << 404
                              << notFound;
    QTest::newRow("500 page") << reply(500, "Ogre|1|2") << Runs << false << 500
                              << u"HTTP 500 Internal Server Error"_s;
    QTest::newRow("cut off") << cut << Runs << false << 200 << QString();
    QTest::newRow("cut off 404") << cut404 << Runs << false << 404 << notFound;
    QTest::newRow("no answer in time") << late << Runs << false << 0 << timedOut;
    QTest::newRow("stalls mid-body")
        << reply(200, {}, 128 * 1024, 10000) << Runs << false << 200 << timedOut;
    QTest::newRow("refused") << reply(0, {}) << Runs << false << 0 << QString();
    QTest::newRow("aborted") << slow << Aborted << false << 200 << aborted;
    QTest::newRow("destroyed") << slow << Destroyed << false << 0 << aborted;
    QTest::newRow("destroyed at once") << slow << DestroyedAtOnce << false << 0 << aborted;
}

// Each row is fetched into memory and into a file that is already there, each time by a new
// fetcher whose owning window may end the transfer.
void TestHttpFetcher::onlyACompleteAnswerCounts()
{
    QFETCH(Reply, answer);
    QFETCH(End, end);
    QFETCH(bool, ok);
    QFETCH(int, status);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString filePath = dir.filePath(u"cml.nmd"_s);
    testsupport::writeFile(filePath, kOldFile);
    TestServer server;
    server.setReply(u"/cml.nmd"_s, answer);
    const QUrl url = answer.status ? server.url(u"/cml.nmd"_s) : TestServer::refusedUrl(u"/x"_s);
    for (const bool toFile : {false, true}) {
        QObject window;
        // Short patience for a server that is meant to stall.
        const auto timeout = answer.delayMs + answer.chunkDelayMs > 1000 ? 200ms : kTimeout;
        const QPointer<HttpFetcher> fetcher = new HttpFetcher(timeout, &window);
        const auto stop = [&] { end == Aborted ? fetcher->abort() : delete fetcher.data(); };
        if (end == DestroyedAtOnce)
            QTimer::singleShot(0, &window, stop);
        else if (end != Runs)
            connect(fetcher, &HttpFetcher::received, &window, stop);
        QElapsedTimer clock;
        clock.start();

        const FetchResult result =
            toFile ? fetcher->fetchToFile(url, filePath) : fetcher->fetch(url);

        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(result.ok == ok && result.error.isEmpty() == ok && result.error.startsWith(error),
                 qPrintable(result.error));
        QCOMPARE(result.status, status);
        QCOMPARE(result.body, ok && !toFile ? answer.body : QByteArray());
        if (ok)
            QCOMPARE(result.bytes, answer.body.size());
        QCOMPARE(fetcher.isNull(), end >= Destroyed);
        QVERIFY(!fetcher || !fetcher->isBusy());
        // What was left for later (the reply, its manager) goes without harm.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(testsupport::readFile(filePath), ok && toFile ? answer.body : kOldFile);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"cml.nmd"_s});
    }
}

// The stored URL goes out as normalised, a redirect is followed, the User-Agent names the
// program and the text is read as Windows-1252.
void TestHttpFetcher::requestIsNormalisedRedirectedAndDecoded()
{
    TestServer server;
    Reply moved = reply(302, {});
    moved.redirectTo = server.urlText(u"/new/vers.dat"_s).toUtf8();
    server.setReply(u"/my file.dat"_s, moved);
    server.setBody(u"/new/vers.dat"_s, "Ogre\x92s lair\r\n\x80 5");
    HttpFetcher fetcher(kTimeout);

    fetcher.setUrl(server.urlText(u"/my file.dat?q=a b&name=Ogre%27s&x=a|b&n=é"_s));
    const FetchResult result = fetcher.fetch(fetcher.url());

    QCOMPARE(result.status, 200);
    QCOMPARE(HttpFetcher::text(result), u"Ogre’s lair\r\n€ 5"_s);
    QCOMPARE(server.requestTargets(),
             (QList<QByteArray>{"/my%20file.dat?q=a%20b&name=Ogre%27s&x=a%7Cb&n=%C3%A9",
                                "/new/vers.dat"}));
    QCOMPARE(server.lastUserAgent(), "nvmonster/" + appinfo::runningVersion().toUtf8());
}

// A fetch while another runs, or into a folder that cannot be made, fails without asking the
// server; missing folders on the way are made.
void TestHttpFetcher::busyOrBlockedFetchFailsBeforeAsking()
{
    QTemporaryDir dir;
    TestServer server;
    Reply first = reply(200, "first");
    first.delayMs = 300;
    server.setReply(u"/first"_s, first);
    server.setBody(u"/second"_s, "second");
    HttpFetcher fetcher(kTimeout);
    const QUrl second = server.url(u"/second"_s);
    const QString filePath = dir.filePath(u"sub/second.dat"_s);
    FetchResult during, duringToFile;
    QTimer::singleShot(0, &fetcher, [&] {
        during = fetcher.fetch(second);
        duringToFile = fetcher.fetchToFile(second, filePath);
    });

    QCOMPARE(fetcher.fetch(server.url(u"/first"_s)).body, QByteArray("first"));
    QVERIFY(!during.ok && !during.error.isEmpty() && !duringToFile.ok &&
            !duringToFile.error.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"sub"_s)));
    QCOMPARE(server.hits(u"/second"_s), 0);

    QVERIFY(fetcher.fetchToFile(second, filePath).ok);
    QCOMPARE(testsupport::readFile(filePath), QByteArray("second"));
    // A plain file where a folder should be: no folder can be made inside it.
    const FetchResult blocked = fetcher.fetchToFile(second, filePath + u"/p/x"_s);
    QVERIFY2(!blocked.ok && blocked.error.contains(u"second.dat"), qPrintable(blocked.error));
    QCOMPARE(server.hits(u"/second"_s), 1);
}

void TestHttpFetcher::bigDownloadStreamsToDiskWithProgress()
{
    constexpr qint64 size = 50 * 1024 * 1024 + 17;
    QTemporaryDir dir;
    TestServer server;
    server.setReply(u"/large.nmd"_s, reply(200, {}, size));
    HttpFetcher fetcher(kTimeout);
    QSignalSpy progress(&fetcher, &HttpFetcher::received);
    const QString filePath = dir.filePath(u"large.nmd"_s);
    const qint64 before = peakMemoryKiB(true);

    const FetchResult result = fetcher.fetchToFile(server.url(u"/large.nmd"_s), filePath);

    [[maybe_unused]] const qint64 growthKiB = peakMemoryKiB() - before;
    QVERIFY2(result.ok, qPrintable(result.error));
#if !defined(__SANITIZE_ADDRESS__) // which keeps freed memory
    QVERIFY2(before < 0 || growthKiB < 16 * 1024, qPrintable(u"%1 KiB"_s.arg(growthKiB)));
#endif
    qint64 previous = 0;
    for (const QList<QVariant> &report : std::as_const(progress)) {
        QVERIFY(report.at(0).toLongLong() >= previous && report.at(1).toLongLong() == size);
        previous = report.at(0).toLongLong();
    }
    QCOMPARE(previous, size);
    QVERIFY(testsupport::readFile(filePath) == TestServer::generatedBytes(0, size));
}

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
