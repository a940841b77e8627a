// Loading a large monster database and showing selected records, and a record with a
// 10 MB description shown and copied.
//   bench_viewer <database.nmd> [picture folder]
// The picture folder's files are copied beside the database so that records show pictures.
#include "benchsupport.h"
#include "messagebox.h"
#include "monsterlist.h"
#include "monstertable.h"
#include "mainwindow.h"
#include "settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_viewer <database.nmd> [picture folder]\n");
        return 2;
    }
    platform::messagetesting::enable();

    QTemporaryDir dir;
    const QString dataDir = dir.filePath(QStringLiteral("data/"));
    QDir().mkpath(dataDir);
    QFile::copy(args[1], dataDir + QStringLiteral("cml.nmd"));
    if (args.size() > 2) {
        QDirIterator it(args[2], QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = dataDir + QDir(args[2]).relativeFilePath(file);
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(file, target);
        }
    }

    // Alternately with iconv decoding the same file into UTF-16, the yardstick for loading.
    bench::Samples load, iconv;
    qsizetype records = 0;
    for (int run = 0; run < 15; ++run) {
        QProcess decoder;
        decoder.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer decoding;
        decoding.start();
        decoder.start(QStringLiteral("iconv"),
                      {QStringLiteral("-f"), QStringLiteral("WINDOWS-1252"), QStringLiteral("-t"),
                       QStringLiteral("UTF-16LE"), dataDir + QStringLiteral("cml.nmd")});
        if (!decoder.waitForFinished(60000) || decoder.exitCode() != 0) {
            std::fprintf(stderr, "iconv failed\n");
            return 1;
        }
        iconv.add(decoding.nsecsElapsed());

        QListView list;
        list.setUniformItemSizes(true);
        QElapsedTimer timer;
        timer.start();
        auto table = std::make_shared<const MonsterTable>(
            MonsterTable::loadFile(dataDir + QStringLiteral("cml.nmd")));
        MonsterListModel model(table);
        list.setModel(&model);
        list.resize(130, 280);
        list.grab(); // the rows a list shows are drawn
        load.add(timer.nsecsElapsed());
        records = table->size();
    }
    std::printf("database: %lld records, %lld bytes\n", static_cast<long long>(records),
                static_cast<long long>(QFileInfo(dataDir + QStringLiteral("cml.nmd")).size()));
    load.print("load into table and list");
    iconv.print("iconv -f WINDOWS-1252 -t UTF-16LE");
    std::printf("load / iconv, medians: %.2f\n", load.percentile(50) / iconv.percentile(50));

    SettingsStore store(dir.filePath(QStringLiteral("settings.sqlite")));
    const DataFolder folder(dataDir);
    QElapsedTimer opening;
    opening.start();
    auto *window = new MainWindow(
        store, folder,
        std::make_shared<const MonsterTable>(MonsterTable::loadFile(folder.databaseFile())));
    window->show();
    std::printf("%-44s %10.1f ms\n", "main window created, loaded and shown",
                double(opening.nsecsElapsed()) / 1e6);

    auto *list = window->findChild<QListView *>(QStringLiteral("monstername"));
    QRandomGenerator random(42);
    bench::Samples show;
    for (int i = 0; i < 2000; ++i) {
        const int row = int(random.bounded(list->model()->rowCount()));
        QElapsedTimer timer;
        timer.start();
        list->setCurrentIndex(list->model()->index(row, 0));
        show.add(timer.nsecsElapsed());
    }
    show.print("show a selected record");
    window->close();

    // One record of two with a 10 MB description, shown (laid out and drawn) in turn with
    // the other, and copied.
    QFile huge(dir.filePath(QStringLiteral("huge/cml.nmd")));
    QDir().mkpath(QFileInfo(huge).absolutePath());
    if (!huge.open(QIODevice::WriteOnly))
        return 1;
    huge.write("Small|1\r\nHuge|2|3|4|5|" + QByteArray(10 * 1024 * 1024, 'w') + "\r\n\r\n");
    huge.close();
    const DataFolder hugeFolder(QFileInfo(huge).absolutePath());
    auto *hugeWindow = new MainWindow(
        store, hugeFolder,
        std::make_shared<const MonsterTable>(MonsterTable::loadFile(hugeFolder.databaseFile())));
    hugeWindow->show();
    auto *hugeList = hugeWindow->findChild<QListView *>(QStringLiteral("monstername"));
    auto *description = hugeWindow->findChild<QLabel *>(QStringLiteral("description"));
    bench::Samples showHuge, copyHuge;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        hugeList->setCurrentIndex(hugeList->model()->index(1 - i % 2, 0)); // the huge one first
        hugeWindow->grab();
        if (i % 2 == 0) {
            showHuge.add(timer.nsecsElapsed());
            timer.restart();
            QMetaObject::invokeMethod(description, "doubleClicked");
            copyHuge.add(timer.nsecsElapsed());
        }
    }
    showHuge.print("show the 10 MB record, drawn");
    copyHuge.print("copy its 10 MB description");
    hugeWindow->close();
    return 0;
}
