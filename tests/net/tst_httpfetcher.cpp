#include "app/appinfo.h"
#include "net/httpfetcher.h"
#include "testserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(TestServer::Reply)

namespace {

// Long enough for any loopback answer, short enough that a hung test fails quickly.
constexpr auto kTimeout = 5000ms;
// For the cases that are meant to time out.
constexpr auto kShortTimeout = 200ms;

const QByteArray kOldFile = "the old file, longer than anything the server sends\r\n";

QByteArray everyByte(int times)
{
    QByteArray bytes;
    for (int i = 0; i < times * 256; ++i)
        bytes.append(char(i % 256));
    return bytes;
}

TestServer::Reply reply(int status, const QByteArray &body)
{
    TestServer::Reply r;
    r.status = status;
    r.body = body;
    return r;
}

TestServer::Reply cutOff(int status, const QByteArray &body)
{
    TestServer::Reply r = reply(status, body);
    r.cutOff = true;
    return r;
}

TestServer::Reply delayed(int delayMs)
{
    TestServer::Reply r = reply(200, "late");
    r.delayMs = delayMs;
    return r;
}

TestServer::Reply generated(qint64 size)
{
    TestServer::Reply r;
    r.generatedSize = size;
    return r;
}

// Sends one 64 KiB chunk, and the second only ten seconds later.
TestServer::Reply stallsMidBody()
{
    TestServer::Reply r = generated(128 * 1024);
    r.chunkDelayMs = 10000;
    return r;
}

// A download that takes about ten seconds, for ending it while it runs; Qt reports
// progress at most ten times a second, so it is still running at the first report.
constexpr qint64 kSlowSize = 64 * 1024 * 1024;
TestServer::Reply slowDownload()
{
    TestServer::Reply r = generated(kSlowSize);
    r.chunkDelayMs = 10;
    return r;
}

// A fetcher's patience: short for a server that is meant to stall.
std::chrono::milliseconds timeoutFor(const TestServer::Reply &answer)
{
    return answer.delayMs > 0 || answer.chunkDelayMs > 0 ? kShortTimeout : kTimeout;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Everything in the folder, hidden files too: a temporary file left behind shows here.
QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

// Peak resident memory in KiB since the last resetPeakMemory(), or -1 where unknown.
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

} // namespace

class TestHttpFetcher : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void onlyACompleteAnswerCounts_data();
    void onlyACompleteAnswerCounts();
    void followsRedirect();
    void fetchWhileBusyFailsWithoutDisturbingTheRunningOne();
    void abortEndsTheRunningFetch_data();
    void abortEndsTheRunningFetch();
    void destroyingTheFetcherMidTransferIsSafe_data();
    void destroyingTheFetcherMidTransferIsSafe();
    void missingFoldersAreCreated();
    void folderThatCannotBeCreatedFailsBeforeAsking();
    void textIsWindows1252();
    void userAgentNamesTheProgram();
    void storedUrlGoesOutAsNormalised_data();
    void storedUrlGoesOutAsNormalised();
    void progressIsReported();
    void bigDownloadStreamsToDisk();
};

void TestHttpFetcher::initTestCase()
{
    // A proxy configured on the machine must not take the loopback requests elsewhere.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestHttpFetcher::onlyACompleteAnswerCounts_data()
{
    QTest::addColumn<TestServer::Reply>("answer");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // how the reason starts

    const QString timedOut = QStringLiteral("The transfer timed out.");
    QTest::newRow("text") << reply(200, "Bat|10\r\n") << false << true << 200 << QString();
    QTest::newRow("every byte value")
        << reply(200, everyByte(300)) << false << true << 200 << QString();
    QTest::newRow("empty body") << reply(200, {}) << false << true << 200 << QString();
    QTest::newRow("404 page") << reply(404, "<html>missing</html>") << false << false << 404
                              << QStringLiteral("HTTP 404 Not Found");
    QTest::newRow("500 page") << reply(500, "Ogre|1|2") << false << false << 500
                              << QStringLiteral("HTTP 500 Internal Server Error");
    QTest::newRow("cut off") << cutOff(200, everyByte(400)) << false << false << 200 << QString();
    QTest::newRow("cut off 404 page") << cutOff(404, everyByte(40)) << false << false << 404
                                      << QStringLiteral("HTTP 404 Not Found");
    QTest::newRow("no answer in time") << delayed(10000) << false << false << 0 << timedOut;
    QTest::newRow("stalls mid-body") << stallsMidBody() << false << false << 200 << timedOut;
    QTest::newRow("refused") << reply(200, "never sent") << true << false << 0 << QString();
}

// Each row is fetched into memory and into a file that is already there.
void TestHttpFetcher::onlyACompleteAnswerCounts()
{
    QFETCH(TestServer::Reply, answer);
    QFETCH(bool, refused);
    QFETCH(bool, ok);
    QFETCH(int, status);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString filePath = dir.filePath(QStringLiteral("cml.nmd"));
    writeAll(filePath, kOldFile);
    TestServer server;
    server.setReply(QStringLiteral("/cml.nmd"), answer);
    HttpFetcher fetcher(timeoutFor(answer));
    const QUrl url = refused ? TestServer::refusedUrl(QStringLiteral("/cml.nmd"))
                             : server.url(QStringLiteral("/cml.nmd"));
    QElapsedTimer clock;
    clock.start();

    const FetchResult inMemory = fetcher.fetch(url);
    const FetchResult toFile = fetcher.fetchToFile(url, filePath);

    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    for (const FetchResult &result : {inMemory, toFile}) {
        QVERIFY2(result.ok == ok, qPrintable(result.error));
        QCOMPARE(result.status, status);
        QVERIFY2(result.error.isEmpty() == ok && result.error.startsWith(error),
                 qPrintable(result.error));
        if (ok)
            QCOMPARE(result.bytes, answer.body.size());
    }
    QCOMPARE(inMemory.body, ok ? answer.body : QByteArray());
    QCOMPARE(toFile.body, QByteArray());
    QCOMPARE(readAll(filePath), ok ? answer.body : kOldFile);
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("cml.nmd")});
    QVERIFY(!fetcher.isBusy());
}

void TestHttpFetcher::followsRedirect()
{
    TestServer server;
    TestServer::Reply moved = reply(302, "moved");
    moved.redirectTo = server.urlText(QStringLiteral("/new/vers.dat")).toUtf8();
    server.setReply(QStringLiteral("/vers.dat"), moved);
    server.setBody(QStringLiteral("/new/vers.dat"), "1.8.5000");
    HttpFetcher fetcher(kTimeout);

    const FetchResult result = fetcher.fetch(server.url(QStringLiteral("/vers.dat")));

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.status, 200);
    QCOMPARE(result.body, QByteArray("1.8.5000"));
    QCOMPARE(server.hits(QStringLiteral("/new/vers.dat")), 1);
}

void TestHttpFetcher::fetchWhileBusyFailsWithoutDisturbingTheRunningOne()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestServer server;
    TestServer::Reply slow = delayed(300);
    slow.body = "first";
    server.setReply(QStringLiteral("/first"), slow);
    server.setBody(QStringLiteral("/second"), "second");
    HttpFetcher fetcher(kTimeout);
    const QString filePath = dir.filePath(QStringLiteral("sub/second.dat"));

    FetchResult during;
    FetchResult duringToFile;
    QTimer::singleShot(0, &fetcher, [&] {
        during = fetcher.fetch(server.url(QStringLiteral("/second")));
        duringToFile = fetcher.fetchToFile(server.url(QStringLiteral("/second")), filePath);
    });
    const FetchResult first = fetcher.fetch(server.url(QStringLiteral("/first")));

    QVERIFY(!during.ok);
    QVERIFY(!during.error.isEmpty());
    QVERIFY(!duringToFile.ok);
    QVERIFY(!duringToFile.error.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("sub"))));
    QCOMPARE(server.hits(QStringLiteral("/second")), 0);
    QVERIFY2(first.ok, qPrintable(first.error));
    QCOMPARE(first.body, QByteArray("first"));

    // Free again once the first has ended.
    const FetchResult after = fetcher.fetch(server.url(QStringLiteral("/second")));
    QCOMPARE(after.body, QByteArray("second"));
}

void TestHttpFetcher::abortEndsTheRunningFetch_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::newRow("into memory") << false;
    QTest::newRow("into a file") << true;
}

void TestHttpFetcher::abortEndsTheRunningFetch()
{
    QFETCH(bool, toFile);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString filePath = dir.filePath(QStringLiteral("cml.nmd"));
    writeAll(filePath, kOldFile);
    TestServer server;
    server.setReply(QStringLiteral("/slow"), slowDownload());
    HttpFetcher fetcher(kTimeout);
    // Aborting on the first progress report means the transfer is truly under way.
    connect(&fetcher, &HttpFetcher::received, &fetcher, [&fetcher] { fetcher.abort(); });
    bool gaveUp = false;
    QTimer::singleShot(kTimeout, &fetcher, [&] {
        gaveUp = true;
        fetcher.abort();
    });

    const QUrl url = server.url(QStringLiteral("/slow"));
    const FetchResult result = toFile ? fetcher.fetchToFile(url, filePath) : fetcher.fetch(url);

    QVERIFY2(!gaveUp, "no progress was reported");
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(u"abort", Qt::CaseInsensitive), qPrintable(result.error));
    QCOMPARE(result.body, QByteArray());
    QVERIFY(result.bytes > 0 && result.bytes < kSlowSize);
    QVERIFY(!fetcher.isBusy());
    QCOMPARE(readAll(filePath), kOldFile);
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("cml.nmd")});
}

void TestHttpFetcher::destroyingTheFetcherMidTransferIsSafe_data()
{
    QTest::addColumn<bool>("fromProgress"); // else from a zero timer, before any answer
    QTest::addColumn<bool>("toFile");
    QTest::newRow("from a progress slot, into memory") << true << false;
    QTest::newRow("from a progress slot, into a file") << true << true;
    QTest::newRow("from a zero timer, into a file") << false << true;
}

void TestHttpFetcher::destroyingTheFetcherMidTransferIsSafe()
{
    QFETCH(bool, fromProgress);
    QFETCH(bool, toFile);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString filePath = dir.filePath(QStringLiteral("cml.nmd"));
    writeAll(filePath, kOldFile);
    TestServer server;
    server.setReply(QStringLiteral("/slow"), slowDownload());
    auto *fetcher = new HttpFetcher(kTimeout);
    const QPointer<HttpFetcher> alive(fetcher);
    // The window that owns a fetcher may close while the fetcher's loop runs.
    QObject context;
    if (fromProgress)
        connect(fetcher, &HttpFetcher::received, &context, [&] { delete alive.data(); });
    else
        QTimer::singleShot(0, &context, [&] { delete alive.data(); });
    bool gaveUp = false;
    QTimer::singleShot(kTimeout, &context, [&] {
        gaveUp = true;
        delete alive.data();
    });

    const QUrl url = server.url(QStringLiteral("/slow"));
    const FetchResult result = toFile ? fetcher->fetchToFile(url, filePath) : fetcher->fetch(url);

    QVERIFY(alive.isNull());
    QVERIFY2(!gaveUp, "no progress was reported");
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.body, QByteArray());
    // What was left for later (the reply, its manager) goes without harm.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(readAll(filePath), kOldFile);
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("cml.nmd")});
}

void TestHttpFetcher::missingFoldersAreCreated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestServer server;
    server.setBody(QStringLiteral("/m1.gif"), "GIF89a");
    HttpFetcher fetcher(kTimeout);
    const QString filePath = dir.filePath(QStringLiteral("data/pictures/m1.gif"));

    const FetchResult result = fetcher.fetchToFile(server.url(QStringLiteral("/m1.gif")), filePath);

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readAll(filePath), QByteArray("GIF89a"));
}

void TestHttpFetcher::folderThatCannotBeCreatedFailsBeforeAsking()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A plain file where a folder should be: no user can create a folder inside it.
    writeAll(dir.filePath(QStringLiteral("data")), "not a folder");
    TestServer server;
    server.setBody(QStringLiteral("/m1.gif"), "GIF89a");
    HttpFetcher fetcher(kTimeout);

    const FetchResult result = fetcher.fetchToFile(server.url(QStringLiteral("/m1.gif")),
                                                   dir.filePath(QStringLiteral("data/p/m1.gif")));

    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(u"data"), qPrintable(result.error));
    QCOMPARE(server.hits(QStringLiteral("/m1.gif")), 0);
    QVERIFY(!fetcher.isBusy());
}

void TestHttpFetcher::textIsWindows1252()
{
    TestServer server;
    server.setBody(QStringLiteral("/monster.txt"), "Ogre\x92s lair\r\n\x80 5");
    HttpFetcher fetcher(kTimeout);

    const FetchResult result = fetcher.fetch(server.url(QStringLiteral("/monster.txt")));

    QCOMPARE(HttpFetcher::text(result), QStringLiteral("Ogre’s lair\r\n€ 5"));
}

void TestHttpFetcher::userAgentNamesTheProgram()
{
    TestServer server;
    server.setBody(QStringLiteral("/vers.dat"), "1");
    HttpFetcher fetcher(kTimeout);

    QVERIFY(fetcher.fetch(server.url(QStringLiteral("/vers.dat"))).ok);

    QCOMPARE(server.lastUserAgent(), "nvmonster/" + appinfo::runningVersion().toUtf8());
}

void TestHttpFetcher::storedUrlGoesOutAsNormalised_data()
{
    QTest::addColumn<QString>("typed"); // after http://127.0.0.1:<port>
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("plain") << QStringLiteral("/monster/vers.dat")
                           << QByteArray("/monster/vers.dat");
    QTest::newRow("spaces") << QStringLiteral("/my file.dat?q=a b")
                            << QByteArray("/my%20file.dat?q=a%20b");
    QTest::newRow("escapes kept, bar encoded") << QStringLiteral("/send1.php?name=Ogre%27s&x=a|b")
                                               << QByteArray("/send1.php?name=Ogre%27s&x=a%7Cb");
    QTest::newRow("non-ASCII as UTF-8") << QStringLiteral("/f?n=é") << QByteArray("/f?n=%C3%A9");
}

void TestHttpFetcher::storedUrlGoesOutAsNormalised()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, sent);
    TestServer server;
    HttpFetcher fetcher(kTimeout);

    fetcher.setUrl(server.urlText(typed));
    QVERIFY(fetcher.url().isValid());
    fetcher.fetch(fetcher.url());

    QCOMPARE(server.requestTargets(), QList<QByteArray>{sent});
}

void TestHttpFetcher::progressIsReported()
{
    constexpr qint64 size = 3 * 1024 * 1024 + 17;
    TestServer server;
    server.setReply(QStringLiteral("/big"), generated(size));
    HttpFetcher fetcher(kTimeout);
    QSignalSpy progress(&fetcher, &HttpFetcher::received);

    const FetchResult result = fetcher.fetch(server.url(QStringLiteral("/big")));

    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.body, TestServer::generatedBytes(0, size));
    QVERIFY(!progress.isEmpty());
    qint64 previous = 0;
    for (const QList<QVariant> &report : std::as_const(progress)) {
        QVERIFY(report.at(0).toLongLong() >= previous);
        QCOMPARE(report.at(1).toLongLong(), size);
        previous = report.at(0).toLongLong();
    }
    QCOMPARE(previous, size);
}

void TestHttpFetcher::bigDownloadStreamsToDisk()
{
    constexpr qint64 size = 50 * 1024 * 1024;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestServer server;
    server.setReply(QStringLiteral("/large.nmd"), generated(size));
    HttpFetcher fetcher(kTimeout);
    const QString filePath = dir.filePath(QStringLiteral("large.nmd"));
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The address sanitizer keeps freed memory; growth says nothing here.");
#endif
    if (!resetPeakMemory() || peakMemoryKiB() < 0)
        QSKIP("The peak memory of this process cannot be measured here.");
    const qint64 before = peakMemoryKiB();

    const FetchResult result =
        fetcher.fetchToFile(server.url(QStringLiteral("/large.nmd")), filePath);

    const qint64 growthKiB = peakMemoryKiB() - before;
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.bytes, size);
    QVERIFY2(growthKiB < 16 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(growthKiB)));
    QFile file(filePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), size);
    for (qint64 offset = 0; offset < size; offset += 1024 * 1024) {
        const QByteArray chunk = file.read(1024 * 1024);
        QVERIFY(chunk == TestServer::generatedBytes(offset, chunk.size()));
    }
}

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
