// The transfer control against the servers users meet: broken, hostile, slow and silent
// ones, on loopback. Only a whole answer counts, and a file is replaced only by one.
#include "endpoints.h"
#include "httpfetcher.h"
#include "testserver.h"
#include "testsupport.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <numeric>
#include <sys/resource.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Reply = TestServer::Reply;
using testsupport::Files;
using testsupport::snapshot;

namespace {

const QByteArray kOldFile = "the old file, longer than anything the server sends\r\n";

// Waits for a transfer's report; nothing when none came within a minute.
std::optional<FetchResult> fetch(HttpFetcher &fetcher, const FetchRequest &request)
{
    std::optional<FetchResult> result;
    QObject context;
    fetcher.get(request, &context, [&result](const FetchResult &r) { result = r; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 60000);
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

class TestHttpFetcher : public QObject
{
    Q_OBJECT
private slots:
    // A proxy configured on the machine must not take the loopback requests elsewhere.
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void onlyAWholeAnswerCounts_data()
    {
        QTest::addColumn<Reply>("answer");  // a status of 0: nothing listens
        QTest::addColumn<qint64>("listed"); // a data file's listed size, or -1: a text
        QTest::addColumn<QString>("error"); // how the reason starts; empty: a whole answer
        const auto row = [](const char *name, const Reply &answer, qint64 listed,
                            const QString &error) {
            QTest::newRow(name) << answer << listed << error;
        };
        QByteArray all(256, Qt::Uninitialized);
        std::iota(all.begin(), all.end(), char(0));
        const QByteArray gzip = QByteArray::fromBase64("H4sIAAAAAAAAA8tIzcnJBwCGphA2BQAAAA==");
        const QString pause = u"no data arrived for 1 second"_s;

        row("every byte value", {.body = all.repeated(64)}, -1, {});
        row("every byte value, to a file", {.body = all.repeated(64)}, 256 * 64, {});
        row("empty body", {}, -1, {});
        row("404 page, to a file", {404, "x"}, 1, u"the server answered 404 Not Found"_s);
        row("500 page", {500, "a|1"}, -1, u"the server answered 500 Internal Server Error"_s);
        row("cut off", {.body = all.repeated(400), .cutOff = true}, -1,
            u"the connection closed before the end"_s);
        // Of the listed length, but not the file: it would be stored as it came.
        row("compressed body", {.body = gzip, .header = "Content-Encoding: gzip"}, gzip.size(),
            u"the server sent a compressed reply"_s);
        row("204 for a file", {.status = 204}, 0, u"the server answered 204"_s);
        row("304 for a file", {.status = 304}, 0, u"the server answered 304"_s);
        row("shorter than listed", {.body = "half"}, 8, u"4 bytes arrived where 8 were listed"_s);
        row("longer than listed", {.body = "toolong"}, 3, u"more than the 3 bytes listed"_s);
        row("endless text", {.generatedSize = 1LL << 40}, -1, u"the reply is longer than 65536"_s);
        row("no answer in time", {.body = "late", .delayMs = 10000}, -1, pause);
        row("stalls mid-body", {.chunkDelayMs = 10000, .generatedSize = 128 * 1024}, -1, pause);
        // A chunk every 400 ms never pauses long, yet never ends in time.
        row("trickles past the deadline", {.chunkDelayMs = 400, .generatedSize = 640 * 1024},
            640 * 1024, u"the transfer took longer than 3 seconds"_s);
        row("refused", {.status = 0}, -1, u"the server refused the connection"_s);
        row("redirect loop", {.status = 302, .header = "Location: /f"}, -1,
            u"the server sent no"_s);
    }
    // Each row is fetched by a new fetcher, into memory for a text and into a file that is
    // already there for a data file.
    void onlyAWholeAnswerCounts()
    {
        QFETCH(Reply, answer);
        QFETCH(qint64, listed);
        QFETCH(QString, error);
        QTemporaryDir dir;
        TestServer server;
        server.setReply(u"/f"_s, answer);
        const FetchRequest request{.url = answer.status ? server.url(u"/f"_s)
                                                        : TestServer::refusedUrl(u"/f"_s),
                                   .filePath = listed >= 0 ? dir.filePath(u"cml.nmd"_s) : QString(),
                                   .expectedSize = listed,
                                   .requireOk = listed >= 0,
                                   .pauseTimeout = 1000ms,
                                   .deadline = 3000ms};
        if (listed >= 0)
            testsupport::writeFile(request.filePath, kOldFile);
        HttpFetcher fetcher;

        const std::optional<FetchResult> result = fetch(fetcher, request);

        QVERIFY2(result && result->ok == error.isEmpty() && result->error.startsWith(error),
                 result ? qPrintable(result->error) : "no answer");
        QCOMPARE(result->body, result->ok && listed < 0 ? answer.body : QByteArray());
        // Only a whole answer replaces the file, and no temporary file is left beside it.
        if (listed >= 0)
            QCOMPARE(snapshot(dir.path()),
                     (Files{{u"cml.nmd"_s, result->ok ? answer.body : kOldFile}}));
    }

    // The URL goes out as normalised, a redirect is followed and the text is read as
    // Windows-1252. A fetch while another runs, into a folder that cannot be made, or onto
    // a disk that is full fails without asking the server, or leaves the old file; missing
    // folders are made.
    void requestsGoOutAsMeantOrNotAtAll()
    {
        QTemporaryDir dir;
        TestServer server;
        server.setReply(u"/my file.dat"_s, {.status = 302, .header = "Location: /new/vers.dat"});
        server.setReply(u"/new/vers.dat"_s, {.body = "Ogre\x92s lair\r\n\x80 5", .delayMs = 300});
        server.setBody(u"/second"_s, QByteArray(4096, 's'));
        HttpFetcher fetcher;
        std::optional<FetchResult> first;
        QObject context;
        const QString odd = server.urlText(u"/my file.dat?q=a b&name=Ogre%27s&x=a|b&n=é"_s);
        fetcher.get({FetchRequest::normalised(odd), {}}, &context,
                    [&first](const FetchResult &r) { first = r; });
        const FetchRequest second{server.url(u"/second"_s), dir.filePath(u"sub/second.dat"_s)};
        const auto during = fetch(fetcher, second);
        QVERIFY(during && !during->ok && !during->error.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"sub"_s)));
        QTRY_VERIFY(first && first->ok);
        QCOMPARE(HttpFetcher::text(*first), u"Ogre’s lair\r\n€ 5"_s);
        QCOMPARE(server.requestTargets(),
                 (QList<QByteArray>{"/my%20file.dat?q=a%20b&name=Ogre%27s&x=a%7Cb&n=%C3%A9",
                                    "/new/vers.dat"}));

        QVERIFY(fetch(fetcher, second)->ok);
        QCOMPARE(testsupport::readFile(second.filePath), QByteArray(4096, 's'));
        // A plain file where a folder should be: no folder can be made inside it.
        const auto nested = fetch(fetcher, {second.url, second.filePath + u"/p/x"_s});
        QVERIFY2(!nested->ok && nested->error.contains(u"second.dat"), qPrintable(nested->error));
        QCOMPARE(server.hits(u"/second"_s), 1);

        // No room for the file: its old bytes stay, and the user reads why.
        testsupport::writeFile(second.filePath, kOldFile);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit small{1000, previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const auto full = fetch(fetcher, second);
        setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(full->error, u"file too large"_s);
        QCOMPARE(snapshot(dir.filePath(u"sub"_s)), (Files{{u"second.dat"_s, kOldFile}}));
    }

    // The addresses file: sections and keys in any case, comments, values trimmed, an "=" in
    // a value kept; a line that only starts like a section is none, so its keys stay where
    // they were; a file given over another keeps what it does not name.
    void readsTheAddressesFile()
    {
        const Endpoints base = Endpoints::fromIni("[ENDPOINTS]\nFeedbackUrl = http://a/?x=1\n");
        const Endpoints e =
            Endpoints::fromIni("; note\n[endpoints]\n[links\nfeedbackurl=http://b/\n"
                               "# [links]\nMakerSiteUrl=http://c/\n"
                               "[ Links ]\nmakersiteurl=http://d/\nnokey\n",
                               base);
        QCOMPARE(base.feedbackUrl, u"http://a/?x=1"_s);
        QCOMPARE(e.feedbackUrl, u"http://b/"_s);
        QCOMPARE(e.makerSiteUrl, u"http://d/"_s);
        QCOMPARE(e.updateListUrl, Endpoints::defaults().updateListUrl);
    }

    // A big file streams to disk with little memory. Aborted, or its fetcher destroyed, at
    // the first progress or before any answer: nothing is reported, nothing is left behind
    // and the old file stays.
    void bigTransfersStreamOrEndCleanly()
    {
        constexpr qint64 size = 50 * 1024 * 1024 + 17;
        QTemporaryDir dir;
        TestServer server;
        server.setReply(u"/large.nmd"_s, {.generatedSize = size});
        server.setReply(u"/slow"_s, {.chunkDelayMs = 10, .generatedSize = 64 * 1024 * 1024});
        HttpFetcher fetcher;
        const FetchRequest large{server.url(u"/large.nmd"_s), dir.filePath(u"large.nmd"_s)};
        const qint64 before = peakMemoryKiB(true);

        const std::optional<FetchResult> result = fetch(fetcher, large);

        [[maybe_unused]] const qint64 growthKiB = peakMemoryKiB() - before;
        QVERIFY2(result && result->ok, result ? qPrintable(result->error) : "no answer");
#if !defined(__SANITIZE_ADDRESS__) // which keeps freed memory
        QVERIFY2(before < 0 || growthKiB < 16 * 1024, qPrintable(u"%1 KiB"_s.arg(growthKiB)));
#endif
        QVERIFY(testsupport::readFile(large.filePath) == TestServer::generatedBytes(0, size));

        const FetchRequest slow{server.url(u"/slow"_s), dir.filePath(u"ended/cml.nmd"_s)};
        testsupport::writeFile(slow.filePath, kOldFile);
        for (const bool destroy : {false, true}) {
            for (const bool atOnce : {false, true}) {
                QPointer<HttpFetcher> ending = new HttpFetcher;
                const auto end = [&] { destroy ? delete ending.data() : ending->abort(); };
                QObject context;
                bool reported = false;
                ending->get(slow, &context, [&reported](const FetchResult &) { reported = true; });
                if (atOnce)
                    end();
                else
                    connect(ending, &HttpFetcher::received, &context, end,
                            Qt::SingleShotConnection);
                QTRY_VERIFY(!ending || !ending->isBusy());
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QVERIFY(!reported);
                delete ending.data();
                QCOMPARE(snapshot(dir.filePath(u"ended"_s)), (Files{{u"cml.nmd"_s, kOldFile}}));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestHttpFetcher)
#include "tst_httpfetcher.moc"
