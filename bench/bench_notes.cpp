// Saving a note per keystroke into a store that already holds many notes.
//   bench_notes [notes stored, default 10000]
#include "benchsupport.h"
#include "notes.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int stored = argc > 1 ? std::atoi(argv[1]) : 10000;

    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("nvmonster/settings.sqlite")));
    MonsterNotes notes(store);
    const QString filler = QStringLiteral("Weak to fire. Drops claws at night.\n").repeated(4);
    for (int i = 0; i < stored; ++i)
        notes.save(QStringLiteral("Generated Monster %1").arg(i, 5, 10, QChar(u'0')), filler);

    // Typing a note of 3000 characters, one save per keystroke, on a few monsters.
    bench::Samples save;
    const QString typed = QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    for (int monster = 0; monster < 3; ++monster) {
        const QString name =
            QStringLiteral("Generated Monster %1").arg(monster * 997, 5, 10, QChar(u'0'));
        QString box;
        for (int key = 0; key < 1000; ++key) {
            box.append(typed[key % typed.size()]);
            QElapsedTimer timer;
            timer.start();
            notes.save(name, box);
            save.add(timer.nsecsElapsed());
        }
    }
    std::printf("store: %d notes\n", stored);
    save.print("note save per keystroke");

    bench::Samples load;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer timer;
        timer.start();
        notes.load(QStringLiteral("Generated Monster %1").arg(i * 5, 5, 10, QChar(u'0')));
        load.add(timer.nsecsElapsed());
    }
    load.print("note load on selection");
    return 0;
}
