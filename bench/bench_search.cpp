// Searching a large monster database after each keystroke, results model included.
//   bench_search <database.nmd> [notes, default 1000]
#include "benchsupport.h"
#include "recordview.h"
#include "searchindex.h"
#include "searchresults.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

// What a user might type, one character at a time: words found in the names, treasures,
// areas, descriptions and notes, and some found nowhere.
const char16_t *const kTyped[] = {
    u"giant crab", u"shadows keep",   u"creme brulee", u"ogre's cave",   u"monster 0123 elder",
    u"pennies",    u"zarograd ruins", u"weak to fire", u"rune stone tm", u"xylophone",
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_search <database.nmd> [notes]\n");
        return 2;
    }
    const int noteCount = args.size() > 2 ? args[2].toInt() : 1000;
    QString error;
    const MonsterTable table = MonsterTable::loadFile(args[1], &error);
    if (table.isEmpty()) {
        std::fprintf(stderr, "bench_search: %s: %s\n", qPrintable(args[1]), qPrintable(error));
        return 1;
    }

    bench::Samples build;
    std::shared_ptr<const SearchIndex> index;
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer timer;
        timer.start();
        index = std::make_shared<const SearchIndex>(table);
        build.add(timer.nsecsElapsed());
    }
    std::printf("database: %lld records, %lld bytes\n", static_cast<long long>(table.size()),
                static_cast<long long>(QFileInfo(args[1]).size()));
    build.print("index build");
    std::printf("%-44s %10.1f MB\n", "index memory beyond the table",
                double(index->memoryUsed()) / 1e6);

    // Notes on monsters picked at random; a name picked twice keeps one note.
    QRandomGenerator random(7);
    QHash<QString, QString> stored;
    const QStringList noteTexts = {
        QStringLiteral("Weak to fire. Drops claws at night."),
        QStringLiteral("Came with a giant crab last time\r\nbring rope"),
        QStringLiteral("Farm spot: north wall, three at once."),
    };
    for (int i = 0; i < noteCount; ++i) {
        const qsizetype row = random.bounded(int(table.size()));
        stored.insert(decodeForDisplay(table.row(row).field(MonsterRecord::Name)),
                      noteTexts[i % noteTexts.size()]);
    }
    const NotesSnapshot notes(stored);
    std::printf("notes: %lld\n", static_cast<long long>(notes.size()));

    SearchCriteria criteria;
    criteria.fields = TextField::Name | TextField::Treasure | TextField::Area |
                      TextField::Description | TextField::Notes;
    criteria.range(RangeField::Hp) = {1000, 40000};
    criteria.range(RangeField::Level) = {10, 70};

    SearchResultsModel model;
    model.setIndex(index);
    // A view shows a screenful: its cells are read after each reset.
    const auto readScreen = [&model] {
        qsizetype chars = 0;
        for (int row = 0; row < std::min(model.rowCount(), 40); ++row) {
            for (int column = 0; column < model.columnCount(); ++column)
                chars += model.data(model.index(row, column)).toString().size();
        }
        return chars;
    };

    // Each pass types every phrase; the first line is the stated target.
    struct Pass
    {
        const char *what;
        int sortColumn;
        bool ranges;
        bench::Samples samples;
    };
    Pass passes[] = {
        {"keystroke: search, model reset, screenful", -1, true, {}},
        {"the same, sorted by HP, largest first", SearchResultsModel::HpColumn, true, {}},
        {"the same, file order, no ranges", -1, false, {}},
    };
    const SearchCriteria::Range hp = criteria.range(RangeField::Hp);
    const SearchCriteria::Range level = criteria.range(RangeField::Level);
    qsizetype fewest = table.size();
    qsizetype most = 0;
    for (int round = 0; round < 3; ++round) {
        for (Pass &pass : passes) {
            model.sort(pass.sortColumn, Qt::DescendingOrder);
            criteria.range(RangeField::Hp) = pass.ranges ? hp : SearchCriteria::Range();
            criteria.range(RangeField::Level) = pass.ranges ? level : SearchCriteria::Range();
            for (const char16_t *phrase : kTyped) {
                const QString text = QString::fromUtf16(phrase);
                for (qsizetype typed = 1; typed <= text.size(); ++typed) {
                    criteria.text = text.first(typed);
                    QElapsedTimer timer;
                    timer.start();
                    std::vector<qsizetype> rows = index->run(criteria, notes);
                    fewest = std::min(fewest, qsizetype(rows.size()));
                    most = std::max(most, qsizetype(rows.size()));
                    model.setResults(std::move(rows));
                    readScreen();
                    pass.samples.add(timer.nsecsElapsed());
                }
            }
        }
    }
    std::printf("results per keystroke: %lld to %lld rows\n", static_cast<long long>(fewest),
                static_cast<long long>(most));
    for (const Pass &pass : passes)
        pass.samples.print(pass.what);

    bench::Samples firstSort;
    for (const int column :
         {int(SearchResultsModel::NameColumn), int(SearchResultsModel::AreaColumn),
          int(SearchResultsModel::LevelColumn)}) {
        QElapsedTimer timer;
        timer.start();
        model.sort(column);
        firstSort.add(timer.nsecsElapsed());
    }
    firstSort.print("first sort by name, areas, level");
    return 0;
}
