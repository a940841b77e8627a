// Takes screenshots of the windows on the offscreen platform, for the README and for
// looking at layouts: the main window on the sample data with a monster selected and a
// note typed, the same window made larger on the monster with the longest description,
// the search window with a search done, and each of the other windows as it opens.
//   nvshot <data folder> <monster name> <note> <output folder>
#include "aboutwindow.h"
#include "messagebox.h"
#include "monstertable.h"
#include "mainwindow.h"
#include "optionswindow.h"
#include "program.h"
#include "feedbackwindow.h"
#include "searchwindow.h"
#include "settingsstore.h"
#include "splashwindow.h"
#include "downloaderwindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>

namespace {

bool save(QWidget *window, const QString &folder, const char *name)
{
    QApplication::processEvents();
    return window && window->grab().save(folder + u'/' + QString::fromLatin1(name));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: nvshot <data folder> <monster name> <note> <output folder>\n");
        return 2;
    }
    platform::messagetesting::enable();
    QTemporaryDir config;
    SettingsStore store(config.filePath(QStringLiteral("settings.sqlite")));
    // No checks at start: nothing leaves this machine.
    store.save(QStringLiteral("settings"), QStringLiteral("progupdates"), QStringLiteral("0"));
    store.save(QStringLiteral("settings"), QStringLiteral("dbupdates"), QStringLiteral("0"));
    Program program({&store, DataFolder(args[1]), Endpoints::defaults(), TransferPolicy(), {}});
    const QString out = args[4];

    program.start();
    bool ok = save(program.splashWindow(), out, "splash.png");

    program.openMainWindow();
    QWidget *window = program.mainWindow();
    auto *list = window->findChild<QListView *>(QStringLiteral("monstername"));
    const QModelIndexList found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole,
                                                       args[2], 1, Qt::MatchExactly);
    if (found.isEmpty()) {
        std::fprintf(stderr, "no monster named %s\n", qPrintable(args[2]));
        return 1;
    }
    program.mainWindow()->showRow(found.first().row());
    window->findChild<QPlainTextEdit *>(QStringLiteral("notes"))->setPlainText(args[3]);
    list->setFocus();
    ok &= save(window, out, "mainwindow.png");

    const MonsterTable table = MonsterTable::loadFile(DataFolder(args[1]).databaseFile());
    qsizetype longest = 0;
    for (qsizetype row = 0; row < table.size(); ++row) {
        // A name of two lines would not show whole in its label.
        if (!table.row(row).rawField(MonsterRecord::Name).contains('\xbf') &&
            table.row(row).rawField(MonsterRecord::Description).size() >
                table.row(longest).rawField(MonsterRecord::Description).size())
            longest = row;
    }
    program.mainWindow()->showRow(longest);
    window->findChild<QPlainTextEdit *>(QStringLiteral("notes"))->clear();
    window->resize(window->size() + QSize(220, 120));
    ok &= save(window, out, "mainwindow-grown.png");

    // Monsters of 1,000 hit points or more, the strongest first.
    program.openSearch();
    QWidget *search = program.searchWindow();
    search->findChild<QLineEdit *>(QStringLiteral("hpfrom"))->setText(QStringLiteral("1000"));
    search->findChild<QTableView *>(QStringLiteral("results"))
        ->sortByColumn(1, Qt::DescendingOrder);
    search->findChild<QPushButton *>(QStringLiteral("search"))->click();
    for (int step = 0; step < 3; ++step) { // the index is built, then the search runs
        QThreadPool::globalInstance()->waitForDone();
        QApplication::processEvents();
    }
    ok &= save(search, out, "search.png");
    search->close();

    program.openOptions();
    ok &= save(program.optionsWindow(), out, "options.png");
    program.openFeedback();
    ok &= save(program.feedbackWindow(), out, "feedback.png");
    program.openAbout();
    ok &= save(program.aboutWindow(), out, "about.png");

    // The downloader as it looks when done, without a server to talk to.
    program.openDownloader();
    QWidget *update = program.downloaderWindow();
    update->findChild<QLabel *>(QStringLiteral("panel1"))
        ->setText(QStringLiteral("Finished Updating Database"));
    update->findChild<QLabel *>(QStringLiteral("panel2"))->setText(QStringLiteral("100%"));
    update->findChild<QLabel *>(QStringLiteral("lblFileStatus2"))
        ->setText(QStringLiteral("cml.nmd updated."));
    update->findChild<QProgressBar *>(QStringLiteral("progressbar"))->setValue(100);
    update->findChild<QPushButton *>(QStringLiteral("finished"))->setVisible(true);
    ok &= save(update, out, "update.png");
    return ok ? 0 : 1;
}
