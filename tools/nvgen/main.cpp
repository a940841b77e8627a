// nvgen: writes the sample data folder from tools/monsters.txt, large databases for
// benchmarks, and the two pictures of the start-up splash window. Everything it writes is
// deterministic, so regenerated files only show up in a diff when their source changed.
//
//   nvgen sample <monsters.txt> <outdir>
//   nvgen large <count> <out.nmd>
//   nvgen splash <outdir>

#include "common.h"
#include "large.h"
#include "sample.h"
#include "splash.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: nvgen sample <monsters.txt> <outdir>\n"
                         "       nvgen large <count> <out.nmd>\n"
                         "       nvgen splash <outdir>\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Text needs the fonts of a GUI application. The offscreen platform keeps the splash
    // pictures independent of any display the generator happens to run under.
    const bool drawsText = argc > 1 && std::strcmp(argv[1], "splash") == 0;
    if (drawsText)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        drawsText ? std::make_unique<QGuiApplication>(argc, argv)
                  : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 3 && args[1] == u"splash")
            return runSplash(args[2]);
        if (args.size() == 4 && args[1] == u"sample")
            return runSample(args[2], args[3]);
        if (args.size() == 4 && args[1] == u"large")
            return runLarge(args[2], args[3]);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "nvgen: %s\n", qPrintable(failure.message));
        return 1;
    }
    return usage();
}
