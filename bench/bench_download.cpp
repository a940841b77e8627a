// Downloading a big data file from a loopback server through the program's downloader,
// against curl on the same file and server, measured in one run:
//   bench_download [megabytes, default 200]
// Also reports how far the downloader grew the process's peak memory, and how a version
// check ends against an endless reply and against one that trickles in. The server runs in a
// child process, so that it takes no processor time from the downloader's own process.
#include "benchsupport.h"
#include "httpfetcher.h"
#include "testserver.h"
#include "transfers.h"
#include "updaterun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The process's peak resident memory so far, in kilobytes.
qint64 peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

constexpr int kSmallFiles = 10000;

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 size = (argc > 1 ? std::atoll(argv[1]) : 200) * 1024 * 1024;

    int portPipe[2];
    if (pipe(portPipe) != 0)
        return 1;
    const pid_t serverProcess = fork();
    if (serverProcess == 0) {
        TestServer server;
        TestServer::Reply big;
        big.generatedSize = size;
        big.contentType = "application/octet-stream";
        server.setReply(QStringLiteral("/files/big.dat"), big);
        server.setBody(QStringLiteral("/monster/update.dat"),
                       "2\r\nbig.dat,1," + QByteArray::number(size) + "," +
                           server.urlText(QStringLiteral("/files/big.dat")).toLatin1() + "\r\n");
        server.setBody(QStringLiteral("/monster/vers.dat"), "2026.1207\r\n");
        // Many small files: the downloader's own work per file is what is measured.
        QByteArray many = QByteArray::number(kSmallFiles + 1) + "\r\n";
        for (int i = 0; i < kSmallFiles; ++i) {
            const QString path = QStringLiteral("/small/s%1.gif").arg(i);
            server.setBody(path, "x");
            many += "small/s" + QByteArray::number(i) + ".gif,1,1," +
                    server.urlText(path).toLatin1() + "\r\n";
        }
        server.setBody(QStringLiteral("/monster/many.dat"), many);
        // Replies no version file could be: endless at full speed, and a byte every 20 s,
        // which never leaves the connection silent for long.
        server.setReply(QStringLiteral("/endless.txt"), {.generatedSize = qint64(1) << 40});
        server.setReply(QStringLiteral("/trickle.txt"),
                        {.chunkDelayMs = 20000, .chunkSize = 1, .generatedSize = 1000});
        const quint16 port = server.port();
        if (write(portPipe[1], &port, sizeof port) != sizeof port)
            _exit(1);
        pause(); // serves until the parent ends it
        _exit(0);
    }
    quint16 port = 0;
    if (read(portPipe[0], &port, sizeof port) != sizeof port)
        return 1;
    const auto stopServer = qScopeGuard([serverProcess] {
        kill(serverProcess, SIGKILL);
        waitpid(serverProcess, nullptr, 0);
    });
    const auto url = [port](const char *path) {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QString::fromLatin1(path));
    };

    QCoreApplication app(argc, argv);
    std::printf("version check against a hostile reply, as the program fetches it:\n");
    for (const char *path : {"/endless.txt", "/trickle.txt"}) {
        const qint64 before = peakKilobytes();
        HttpFetcher fetcher;
        QEventLoop loop;
        FetchResult result;
        QElapsedTimer timer;
        timer.start();
        fetcher.get(TransferPolicy().versionFile(url(path)), &loop,
                    [&loop, &result](const FetchResult &r) {
                        result = r;
                        loop.quit();
                    });
        loop.exec();
        std::printf(
            "  %-13s failed after %5.1f s, %lld bytes read, peak memory growth %.1f MB: %s\n", path,
            seconds(timer), static_cast<long long>(result.bytes),
            double(peakKilobytes() - before) / 1024.0, qPrintable(result.error));
    }

    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data/"));
    const qint64 baseline = peakKilobytes();
    QList<double> curlTimes, programTimes;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        const int curl =
            QProcess::execute(QStringLiteral("curl"),
                              {QStringLiteral("-sS"), QStringLiteral("-o"),
                               dir.filePath(QStringLiteral("curl.out")), url("/files/big.dat")});
        curlTimes.append(seconds(timer));
        if (curl != 0)
            std::fprintf(stderr, "curl failed\n");

        QFile::remove(data + QStringLiteral("update.dat")); // so the file is fetched again
        UpdateRun run({DataFolder(data), url("/monster/update.dat"), url("/monster/vers.dat"), {}});
        QEventLoop loop;
        QObject::connect(&run, &UpdateRun::finished, &loop, &QEventLoop::quit);
        timer.restart();
        run.start();
        loop.exec();
        programTimes.append(seconds(timer));
        if (run.failedCount() != 0 || QFileInfo(data + QStringLiteral("big.dat")).size() != size)
            std::fprintf(stderr, "the downloader failed\n");
    }
    std::sort(curlTimes.begin(), curlTimes.end());
    std::sort(programTimes.begin(), programTimes.end());
    const double curl = curlTimes[3], program = programTimes[3];
    std::printf("download of %lld MB from loopback, median of 7:\n",
                static_cast<long long>(size >> 20));
    std::printf("  curl -o              %6.2f s\n", curl);
    std::printf("  nvmonster downloader %6.2f s   ratio %.2f\n", program, program / curl);
    std::printf("  peak memory growth   %6.1f MB\n", double(peakKilobytes() - baseline) / 1024.0);

    UpdateRun run({DataFolder(data), url("/monster/many.dat"), url("/monster/vers.dat"), {}});
    QEventLoop loop;
    QObject::connect(&run, &UpdateRun::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    run.start();
    loop.exec();
    std::printf("update list of %d files of one byte each: %.1f s, %lld failed\n", kSmallFiles,
                seconds(timer), static_cast<long long>(run.failedCount()));
    return 0;
}
