// Takes screenshots of the windows on the offscreen platform, for the README and for
// looking at layouts: the main window on the sample data with a monster selected and a
// note typed, its list filtered, its text larger, its notes exported (the menu open over
// it), an area followed to the search window beside it, the same window made larger on the
// monster with the longest description, the search window with a search done, and each of
// the other windows as it opens. Run on
// an X display with a window manager (xvfb-run and openbox, say), it also takes the whole
// screen: the main window restored from a place saved on a larger screen, the search window
// beside it.
//   nvshot <data folder> <monster name> <note> <output folder>
#include "aboutwindow.h"
#include "clicklabel.h"
#include "downloaderwindow.h"
#include "feedbackwindow.h"
#include "filedialog.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "monstertable.h"
#include "optionswindow.h"
#include "program.h"
#include "searchwindow.h"
#include "settingsstore.h"
#include "splashwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

using namespace Qt::StringLiterals;

namespace {

bool save(QWidget *window, const QString &folder, const char *name)
{
    QApplication::processEvents();
    return window && window->grab().save(folder + u'/' + QString::fromLatin1(name));
}

// A window with others over it (a menu) or beside it (another window), as a user sees them.
bool saveTogether(QWidget *window, const QList<std::pair<QWidget *, QPoint>> &others,
                  const QString &folder, const char *name)
{
    QApplication::processEvents();
    QRect all(QPoint(), window->size());
    for (const auto &[other, at] : others)
        all |= QRect(at, other->size());
    QPixmap shot(all.size());
    shot.fill(QColor(0x55, 0x60, 0x6b)); // a desktop behind them
    QPainter painter(&shot);
    painter.drawPixmap(-all.topLeft(), window->grab());
    for (const auto &[other, at] : others)
        painter.drawPixmap(at - all.topLeft(), other->grab());
    painter.end();
    return shot.save(folder + u'/' + QString::fromLatin1(name));
}

// Lets the searches started meanwhile finish and show.
void searched()
{
    for (int step = 0; step < 3; ++step) { // the index is built, then the search runs
        QThreadPool::globalInstance()->waitForDone();
        QApplication::processEvents();
    }
}

// Lets the window manager frame and place what was opened.
void settle()
{
    for (int wait = 0; wait < 20; ++wait) {
        QApplication::processEvents();
        QThread::msleep(50);
    }
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
    platform::filetesting::enable();
    QTemporaryDir config;
    SettingsStore store(config.filePath(QStringLiteral("settings.sqlite")));
    // No checks at start: nothing leaves this machine.
    store.save(QStringLiteral("settings"), QStringLiteral("progupdates"), QStringLiteral("0"));
    store.save(QStringLiteral("settings"), QStringLiteral("dbupdates"), QStringLiteral("0"));
    const bool onScreen = QGuiApplication::platformName() == u"xcb"_s;
    if (onScreen) { // 600 by 170 pixels in, on a screen of 1600 by 1000
        store.save(u"placement"_s, u"mainleft"_s, u"9000"_s);
        store.save(u"placement"_s, u"maintop"_s, u"2550"_s);
    }
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

    if (onScreen) {
        program.splashWindow()->hide();
        settle();
        program.openSearch();
        settle();
        ok &= QGuiApplication::primaryScreen()->grabWindow(0).save(out + u"/desktop.png"_s);
        program.searchWindow()->close();
    }

    // The list narrowed to the names holding "ar", accents aside, the monster shown kept.
    auto *filter = window->findChild<QLineEdit *>(QStringLiteral("monsterfilter"));
    filter->setText(QStringLiteral("ar"));
    ok &= save(window, out, "filter.png");
    filter->clear();

    // An area of the record followed: the search window beside it, on that area alone.
    emit window->findChild<platform::ClickLabel *>(QStringLiteral("area"))
        ->linkFollowed(QStringLiteral("0"));
    searched();
    QWidget *beside = program.searchWindow();
    beside->resize(640, 440);
    ok &= saveTogether(window, {{beside, QPoint(window->width() + 12, 0)}}, out, "link.png");
    beside->close();

    // The notes exported: the menu that does it, and the line that says where they went.
    store.save(u"notes"_s, u"Marsh Bat"_s, u"Weak to fire; sleeps by day."_s);
    platform::filetesting::queuePath(config.filePath(u"monster notes.csv"_s));
    window->findChild<QAction *>(QStringLiteral("mnuExportNotes"))->trigger();
    QApplication::processEvents();
    auto *controls = window->findChild<QMenu *>(QStringLiteral("mnuControls"));
    const QRect item = program.mainWindow()->menuBar()->actionGeometry(controls->menuAction());
    controls->popup(program.mainWindow()->menuBar()->mapToGlobal(item.bottomLeft()));
    controls->setActiveAction(window->findChild<QAction *>(QStringLiteral("mnuExportNotes")));
    ok &= saveTogether(window, {{controls, controls->pos() - window->mapToGlobal(QPoint())}}, out,
                       "notes-export.png");
    controls->hide();
    // The line says so for a moment, then gives way to the hint again.
    for (auto *status = window->findChild<QLabel *>(QStringLiteral("copystatus"));
         status->isVisible();)
        settle();

    // Larger text, the layout grown with it.
    for (const char *command : {"mnuLarger", "mnuLarger"})
        window->findChild<QAction *>(QString::fromLatin1(command))->trigger();
    ok &= save(window, out, "mainwindow-larger-text.png");
    window->findChild<QAction *>(QStringLiteral("mnuNormalSize"))->trigger();
    window->resize(window->minimumSize());

    const MonsterTable table = MonsterTable::loadFile(DataFolder(args[1]).databaseFile());
    qsizetype longest = 0;
    for (qsizetype row = 0; row < table.size(); ++row) {
        if (table.row(row).rawField(MonsterRecord::Description).size() >
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
    search->resize(640, 440); // its own size, whatever room the screen has beside the main window
    search->findChild<QLineEdit *>(QStringLiteral("hpfrom"))->setText(QStringLiteral("1000"));
    search->findChild<QTableView *>(QStringLiteral("results"))
        ->sortByColumn(1, Qt::DescendingOrder);
    search->findChild<QPushButton *>(QStringLiteral("search"))->click();
    searched();
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
