// Takes screenshots of the windows on the offscreen platform, for the README and for
// looking at layouts: the main window on the sample data with a monster selected and a
// note typed, and each of the other windows as it opens.
//   nvshot <data folder> <monster name> <note> <output folder>
#include "aboutwindow.h"
#include "messagebox.h"
#include "monsterwindow.h"
#include "optionswindow.h"
#include "reportwindow.h"
#include "settingsstore.h"
#include "splashwindow.h"
#include "updatewindow.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

bool save(QWidget *window, const QString &folder, const char *name)
{
    QApplication::processEvents();
    return window->grab().save(folder + u'/' + QString::fromLatin1(name));
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
    AppContext context;
    context.store = &store;
    context.dataFolder = DataFolder(args[1]);
    // No checks at start: nothing leaves this machine.
    store.save(QStringLiteral("settings"), QStringLiteral("progupdates"), QStringLiteral("0"));
    store.save(QStringLiteral("settings"), QStringLiteral("dbupdates"), QStringLiteral("0"));
    const QString out = args[4];

    bool ok = save(SplashWindow::start(context), out, "splash.png");

    MonsterWindow *window = MonsterWindow::showWindow(context);
    auto *list = window->findChild<QListWidget *>(QStringLiteral("monstername"));
    const QList<QListWidgetItem *> found = list->findItems(args[2], Qt::MatchExactly);
    if (found.isEmpty()) {
        std::fprintf(stderr, "no monster named %s\n", qPrintable(args[2]));
        return 1;
    }
    list->setCurrentItem(found.first());
    list->scrollToItem(found.first(), QAbstractItemView::PositionAtCenter);
    window->findChild<QPlainTextEdit *>(QStringLiteral("notes"))->setPlainText(args[3]);
    list->setFocus();
    ok &= save(window, out, "mainwindow.png");

    ok &= save(OptionsWindow::showWindow(context), out, "options.png");
    ok &= save(ReportWindow::showWindow(context), out, "feedback.png");
    ok &= save(AboutWindow::showWindow(context), out, "about.png");

    // The downloader as it looks when done, without a server to talk to.
    UpdateWindow *update = UpdateWindow::showWindow(context);
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
