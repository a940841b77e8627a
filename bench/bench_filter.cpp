// Narrowing the main list as the player types, and putting it in A to Z order: the filter
// alone, then with the list model reset and the list view laid out and drawn again, as the
// main window does at each keystroke.
//   bench_filter <database.nmd>
#include "benchsupport.h"
#include "listfilter.h"
#include "monsterlist.h"
#include "monstertable.h"

#include <QApplication>
#include <QListView>
#include <QRandomGenerator>
#include <algorithm>

namespace {

// Typed a key at a time, then taken back a key at a time, as a player corrects a typo.
const char16_t *const kTyped[] = {
    u"elder", u"monster 0123", u"generated monster 32", u"0042 elder", u"ster 1", u"xylophone",
};

// The table's records in another order, so that sorting has work to do: generated names
// come already sorted.
MonsterTable shuffled(const MonsterTable &table)
{
    std::vector<qsizetype> rows(std::size_t(table.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = qsizetype(i);
    std::shuffle(rows.begin(), rows.end(), *QRandomGenerator::global());
    QByteArray bytes;
    for (const qsizetype row : rows)
        bytes += table.row(row).bytes().toByteArray() + "\r\n";
    return MonsterTable::parse(bytes);
}

// Each text a keystroke at a time, then taken back, five times over.
template <typename Keystroke> bench::Samples typing(Keystroke keystroke)
{
    bench::Samples samples;
    for (int round = 0; round < 5; ++round) {
        for (const char16_t *phrase : kTyped) {
            const QString text = QString::fromUtf16(phrase);
            for (qsizetype n = 1; n <= 2 * text.size(); ++n) {
                const qsizetype typed = n <= text.size() ? n : 2 * text.size() - n;
                QElapsedTimer timer;
                timer.start();
                keystroke(text.first(typed));
                samples.add(timer.nsecsElapsed());
            }
        }
    }
    return samples;
}

bench::Samples typing(ListFilter &filter)
{
    return typing([&filter](const QString &text) {
        filter.setText(text);
        filter.countText();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_filter <database.nmd>\n");
        return 2;
    }
    QString error;
    const MonsterTable table = MonsterTable::loadFile(args[1], &error);
    if (table.isEmpty()) {
        std::fprintf(stderr, "bench_filter: %s: %s\n", qPrintable(args[1]), qPrintable(error));
        return 1;
    }
    std::printf("database: %lld records\n", static_cast<long long>(table.size()));

    bench::Samples prepare;
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer timer;
        timer.start();
        const ListFilter filter(table);
        prepare.add(timer.nsecsElapsed());
    }
    prepare.print("names folded");

    ListFilter filter(table);
    typing(filter).print("keystroke, file order (target: 2 ms median)");

    bench::Samples firstSort;
    ListFilter aToZ;
    for (int run = 0; run < 10; ++run) {
        const MonsterTable mixed = shuffled(table);
        aToZ = ListFilter(mixed);
        QElapsedTimer timer;
        timer.start();
        aToZ.setOrder(ListFilter::Order::AToZ);
        firstSort.add(timer.nsecsElapsed());
        if (run == 9)
            typing(aToZ).print("keystroke, A to Z");
    }
    firstSort.print("first A to Z sort, records in random order");

    // The list as the main window has it: uniform rows, the size it has there.
    auto shared = std::make_shared<const MonsterTable>(table);
    MonsterListModel model(shared);
    QListView list;
    list.setUniformItemSizes(true);
    list.setModel(&model);
    list.resize(130, 250);
    list.grab();
    typing([&model, &list](const QString &text) {
        model.setFilterText(text);
        model.countText();
        list.doItemsLayout(); // what the view does once it gets to it after a reset
    }).print("keystroke, model reset and view laid out");
    typing([&model, &list](const QString &text) {
        model.setFilterText(text);
        model.countText();
        list.doItemsLayout();
        list.grab();
    }).print("the same and the rows shown drawn");
    return 0;
}
