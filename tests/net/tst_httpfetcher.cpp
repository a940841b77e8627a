// The transfer control against the servers users meet: broken, hostile, slow and silent
// ones, on loopback. Only a whole answer counts, and a file is replaced only by one.
#include "appinfo.h"
#include "httpfetcher.h"
#include "testserver.h"
#include "testsupport.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Reply = TestServer::Reply;

namespace {

const QByteArray kOldFile = "the old file, longer than anything the server sends\r\n";

Reply reply(int status, const QByteArray &body, qint64 generated = -1, int pauseMs = 0)
{
    Reply r;
    r.status = status;
    r.body = body;
    r.generatedSize = generated;
    r.chunkDelayMs = pauseMs;
    return r;
}

// Waits for a transfer's report; nothing when none came.
std::optional<FetchResult> fetch(HttpFetcher &fetcher, const FetchRequest &request,
                                 std::chrono::milliseconds wait = 5000ms)
{
    std::optional<FetchResult> result;
    QObject context;
    fetcher.get(request, &context, [&result](const FetchResult &r) { result = r; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, int(wait.count()));
    return result;
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

class TestHttpFetcher : public QObject
{
    Q_OBJECT
private slots:
    // A proxy configured on the machine must not take the loopback requests elsewhere.
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
    void onlyAWholeAnswerCounts_data();
    void onlyAWholeAnswerCounts();
    void endedTransfersReportNothing();
    void requestIsNormalisedRedirectedAndDecoded();
    void busyOrBlockedFetchFailsBeforeAsking();
    void bigDownloadStreamsToDiskWithProgress();
};

void TestHttpFetcher::onlyAWholeAnswerCounts_data()
{
    QTest::addColumn<Reply>("answer");   // a status of 0: nothing listens
    QTest::addColumn<QByteArray>("raw"); // when set, sent as it is instead
    QTest::addColumn<qint64>("listed");  // a data file's listed size, or -1: a text
    QTest::addColumn<QString>("error");  // how the reason starts; empty: a whole answer

    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    Reply late = reply(200, "late"), cut = reply(200, all.repeated(400));
    cut.cutOff = true;
    late.delayMs = 10000;
    const QByteArray gzip = QByteArray::fromBase64("H4sIAAAAAAAAA8tIzcnJBwCGphA2BQAAAA==");
    const QByteArray cutGzip = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
                               QByteArray::number(gzip.size()) + "\r\n\r\n" + gzip.left(12);
    const QString pause = u"no data arrived for 1 second"_s;
    const QString notFound = u"the server answered 404 Not Found"_s;
    const qint64 text = -1;

    QTest::newRow("every byte value")
        << reply(200, all.repeated(64)) << QByteArray() << text << QString();
    QTest::newRow("every byte value, to a file")
        << reply(200, all.repeated(64)) << QByteArray() << qint64(256 * 64) << QString();
    QTest::newRow("empty body") << reply(200, {}) << QByteArray() << text << QString();
    QTest::newRow("404 page") << reply(404, "<html>missing</html>") << QByteArray() << text
                              << notFound;
    QTest::newRow("404 page, to a file") << reply(404, "x") << QByteArray() << 1LL << notFound;
    QTest::newRow("500 page") << reply(500, "Ogre|1|2") << QByteArray() << text
                              << u"the server answered 500 Internal Server Error"_s;
    QTest::newRow("cut off") << cut << QByteArray() << text
                             << u"the connection closed before the end"_s;
    QTest::newRow("cut compressed body")
        << Reply() << cutGzip << qint64(5) << u"the server sent a compressed reply"_s;
    QTest::newRow("no length, cut by closing")
        << Reply() << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nhalf") << 8LL
        << u"4 bytes arrived where 8 were listed"_s;
    QTest::newRow("204 for a file")
        << reply(204, {}) << QByteArray() << 0LL << u"the server answered 204"_s;
    QTest::newRow("304 for a file") << Reply() << QByteArray("HTTP/1.1 304 Not Modified\r\n\r\n")
                                    << 0LL << u"the server answered 304"_s;
    QTest::newRow("longer than listed") << reply(200, "toolong") << QByteArray() << 3LL
                                        << u"more than the 3 bytes listed arrived"_s;
    QTest::newRow("endless text") << reply(200, {}, 1LL << 40) << QByteArray() << text
                                  << u"the reply is longer than 65536 bytes"_s;
    QTest::newRow("no answer in time") << late << QByteArray() << text << pause;
    QTest::newRow("stalls mid-body")
        << reply(200, {}, 128 * 1024, 10000) << QByteArray() << text << pause;
    QTest::newRow("trickles past the deadline")
        << Reply()
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n" + QByteArray(99, 'x')) << text
        << u"the transfer took longer than 3 seconds"_s;
    QTest::newRow("refused") << reply(0, {}) << QByteArray() << text
                             << u"the server refused the connection"_s;
}

// Each row is fetched by a new fetcher, into memory for a text and into a file that is
// already there for a data file.
void TestHttpFetcher::onlyAWholeAnswerCounts()
{
    QFETCH(Reply, answer);
    QFETCH(QByteArray, raw);
    QFETCH(qint64, listed);
    QFETCH(QString, error);
    QTemporaryDir dir;
    TestServer server;
    FetchRequest request;
    request.pauseTimeout = 1000ms;
    request.deadline = 3000ms;
    if (!raw.isEmpty()) {
        // A trickle: one byte every 100 ms never pauses long, yet never ends in time.
        server.setRawReply(u"/f"_s, {raw, raw.contains("99") ? 100 : 0});
        request.url = server.rawUrl(u"/f"_s);
    } else {
        server.setReply(u"/f"_s, answer);
        request.url = answer.status ? server.url(u"/f"_s) : TestServer::refusedUrl(u"/f"_s);
    }
    if (listed >= 0) {
        request.filePath = dir.filePath(u"cml.nmd"_s);
        request.expectedSize = listed;
        request.requireOk = true;
        testsupport::writeFile(request.filePath, kOldFile);
    }
    HttpFetcher fetcher;

    const std::optional<FetchResult> result = fetch(fetcher, request);

    QVERIFY(result);
    QVERIFY2(result->ok == error.isEmpty() && result->error.startsWith(error),
             qPrintable(result->error));
    QVERIFY(!fetcher.isBusy());
    const QByteArray body = answer.generatedSize >= 0 ? QByteArray() : answer.body;
    QCOMPARE(result->body, result->ok && listed < 0 ? body : QByteArray());
    if (listed >= 0) {
        QCOMPARE(testsupport::readFile(request.filePath), result->ok ? body : kOldFile);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"cml.nmd"_s});
    }
}

// Aborted, or its fetcher destroyed, at the first progress or before any answer: nothing is
// reported, nothing is left behind and the old file stays.
void TestHttpFetcher::endedTransfersReportNothing()
{
    QTemporaryDir dir;
    TestServer server;
    server.setReply(u"/slow"_s, reply(200, {}, 64 * 1024 * 1024, 10));
    FetchRequest request;
    request.url = server.url(u"/slow"_s);
    request.filePath = dir.filePath(u"cml.nmd"_s);
    testsupport::writeFile(request.filePath, kOldFile);
    for (const bool destroy : {false, true}) {
        for (const bool atOnce : {false, true}) {
            QPointer<HttpFetcher> fetcher = new HttpFetcher;
            const auto end = [&] { destroy ? delete fetcher.data() : fetcher->abort(); };
            QObject context;
            bool reported = false;
            fetcher->get(request, &context, [&reported](const FetchResult &) { reported = true; });
            if (atOnce)
                end();
            else
                connect(fetcher, &HttpFetcher::received, &context, end, Qt::SingleShotConnection);
            QTRY_VERIFY(!fetcher || !fetcher->isBusy());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!reported);
            delete fetcher.data();
            QCOMPARE(testsupport::readFile(request.filePath), kOldFile);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{u"cml.nmd"_s});
        }
    }
}

// The URL goes out as normalised, a redirect is followed, the User-Agent names the program,
// no compression is asked for and the text is read as Windows-1252.
void TestHttpFetcher::requestIsNormalisedRedirectedAndDecoded()
{
    TestServer server;
    Reply moved = reply(302, {});
    moved.redirectTo = server.urlText(u"/new/vers.dat"_s).toUtf8();
    server.setReply(u"/my file.dat"_s, moved);
    server.setBody(u"/new/vers.dat"_s, "Ogre\x92s lair\r\n\x80 5");
    HttpFetcher fetcher;
    FetchRequest request;
    request.url =
        FetchRequest::normalised(server.urlText(u"/my file.dat?q=a b&name=Ogre%27s&x=a|b&n=é"_s));

    const std::optional<FetchResult> result = fetch(fetcher, request);

    QVERIFY(result && result->ok);
    QCOMPARE(result->status, 200);
    QCOMPARE(HttpFetcher::text(*result), u"Ogre’s lair\r\n€ 5"_s);
    QCOMPARE(server.requestTargets(),
             (QList<QByteArray>{"/my%20file.dat?q=a%20b&name=Ogre%27s&x=a%7Cb&n=%C3%A9",
                                "/new/vers.dat"}));
    QCOMPARE(server.lastUserAgent(), "nvmonster/" + appinfo::runningVersion().toUtf8());
}

// A fetch while another runs, into a folder that cannot be made, or onto a disk that is
// full fails without asking the server, or leaves the old file; missing folders are made.
void TestHttpFetcher::busyOrBlockedFetchFailsBeforeAsking()
{
    QTemporaryDir dir;
    TestServer server;
    Reply first = reply(200, "first");
    first.delayMs = 300;
    server.setReply(u"/first"_s, first);
    server.setBody(u"/second"_s, QByteArray(4096, 's'));
    HttpFetcher fetcher;
    FetchRequest firstRequest, second;
    firstRequest.url = server.url(u"/first"_s);
    second.url = server.url(u"/second"_s);
    second.filePath = dir.filePath(u"sub/second.dat"_s);
    std::optional<FetchResult> during;
    QObject context;
    fetcher.get(firstRequest, &context, [](const FetchResult &) {});
    fetcher.get(second, &context, [&during](const FetchResult &r) { during = r; });
    QTRY_VERIFY(during);
    QVERIFY(!during->ok && !during->error.isEmpty());
    QTRY_VERIFY(!fetcher.isBusy());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"sub"_s)));
    QCOMPARE(server.hits(u"/second"_s), 0);

    QVERIFY(fetch(fetcher, second)->ok);
    QCOMPARE(testsupport::readFile(second.filePath), QByteArray(4096, 's'));
    // A plain file where a folder should be: no folder can be made inside it.
    FetchRequest blocked = second;
    blocked.filePath += u"/p/x"_s;
    const std::optional<FetchResult> refused = fetch(fetcher, blocked);
    QVERIFY2(!refused->ok && refused->error.contains(u"second.dat"), qPrintable(refused->error));
    QCOMPARE(server.hits(u"/second"_s), 1);

    // No room for the file: its old bytes stay, and the user reads why.
    testsupport::writeFile(second.filePath, kOldFile);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    const std::optional<FetchResult> full = fetch(fetcher, second);
    setrlimit(RLIMIT_FSIZE, &previous);
    QVERIFY2(!full->ok && full->error.contains(u"cannot be written"), qPrintable(full->error));
    QCOMPARE(testsupport::readFile(second.filePath), kOldFile);
}

void TestHttpFetcher::bigDownloadStreamsToDiskWithProgress()
{
    constexpr qint64 size = 50 * 1024 * 1024 + 17;
    QTemporaryDir dir;
    TestServer server;
    server.setReply(u"/large.nmd"_s, reply(200, {}, size));
    HttpFetcher fetcher;
    QSignalSpy progress(&fetcher, &HttpFetcher::received);
    FetchRequest request;
    request.url = server.url(u"/large.nmd"_s);
    request.filePath = dir.filePath(u"large.nmd"_s);
    request.expectedSize = size;
    const qint64 before = peakMemoryKiB(true);

    const std::optional<FetchResult> result = fetch(fetcher, request, 60000ms);

    [[maybe_unused]] const qint64 growthKiB = peakMemoryKiB() - before;
    QVERIFY2(result && result->ok, result ? qPrintable(result->error) : "no answer");
#if !defined(__SANITIZE_ADDRESS__) // which keeps freed memory
    QVERIFY2(before < 0 || growthKiB < 16 * 1024, qPrintable(u"%1 KiB"_s.arg(growthKiB)));
#endif
    qint64 previous = 0;
    for (const QList<QVariant> &report : std::as_const(progress)) {
        QVERIFY(report.at(0).toLongLong() >= previous && report.at(1).toLongLong() == size);
        previous = report.at(0).toLongLong();
    }
    QCOMPARE(previous, size);
    QVERIFY(testsupport::readFile(request.filePath) == TestServer::generatedBytes(0, size));
}

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
