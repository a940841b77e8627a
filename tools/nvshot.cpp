// Takes the README's screenshot of the main window: opens it on the sample data with a
// fresh settings store, selects a monster, types a note and saves the window as PNG.
//   nvshot <data folder> <monster name> <note> <out.png>
#include "mainwindow/monsterwindow.h"
#include "platform/messagebox.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: nvshot <data folder> <monster name> <note> <out.png>\n");
        return 2;
    }
    platform::messagetesting::enable();
    QTemporaryDir config;
    SettingsStore store(config.filePath(QStringLiteral("settings.sqlite")));
    const AppContext context{&store, args[1] + u'/'};
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
    QApplication::processEvents();
    return window->grab().save(args[4]) ? 0 : 1;
}
