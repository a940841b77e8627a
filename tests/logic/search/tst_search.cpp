#include "csv.h"
#include "monsterlist.h"
#include "recordview.h"
#include "searchindex.h"
#include "searchresults.h"
#include "testsupport.h"
#include "textfold.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Rows = QList<qsizetype>;
using C = SearchCriteria;
using H = C::Hostile;
using U = C::Undead;
using R = RangeField;
using F = TextField;

// name|HP|level|experience|treasure|description|areas|hostile|undead|picture|job experience|
// size|weapon defense|mage defense
const QString kMonsters =
    uR"(Crab¡ Giant|2¡400|28|5¡000|Pearl|Pinches.|Shore|Only when provoked|No||3¡100|Large|38|12
Phœbe Moth|75|8|90|Moth Dust|Burns blue.|Hollowfen|No|No||70|Small|3|12
Warden¿(Awakened)|9¡999|60–65|48¡000|Bell|At his post.|Drowned Abbey|Yes|Yes||36¡000|Large|75|80
Unseen Thing|—|Data Unavailable|0|Nothing|No two agree.|||Data Unavailable|||||
Marsh Bat|10|3|24|Bat Wing|Sleeps by day.|Quillmoor Marsh|Yes|No||12|small|2|1
Marsh Bat|20|5|48|Bat Fang|An older bat with giant ears.|Quillmoor Marsh|yes|no||70|Small|4|2
Goblin Pâtissier|260|13—14|230|Crème|Château trained.|Ogre’s Cave|Sometimes|Yes||140|Medium|18|8
Hill Giant|500-600|20|data unavailable|Club|Big.|Hills|Data Unavailable|||70|DATA UNAVAILABLE|5|12
)"_s;

// Keyed by the name as shown (a later namesake's by its number too); the last by the stored
// form, which is no one's.
const QHash<QString, QString> kNotes = {
    {u"Marsh Bat"_s, u"weak to FIRE"_s},   {u"Marsh Bat\uFFFF2"_s, u"elder"_s},
    {u"Nobody Here"_s, u"fire"_s},         {u"Hill Giant"_s, u"Crab hunter\r\nat dusk"_s},
    {u"Crab, Giant"_s, u"pinches hard"_s}, {u"Warden\r\n(Awakened)"_s, u"rings hard"_s},
    {u"Crab¡ Giant"_s, u"stored form"_s}};

std::shared_ptr<const SearchIndex> fixture()
{
    return std::make_shared<const SearchIndex>(MonsterTable::parse(windows1252::encode(kMonsters)));
}

Rows found(const SearchIndex &index, const C &criteria, NotesSnapshot notes = NotesSnapshot(kNotes))
{
    const std::vector<qsizetype> rows = index.run(criteria, notes);
    return Rows(rows.begin(), rows.end());
}

C text(const QString &words, TextFields fields = F::Name)
{
    C criteria;
    criteria.text = words;
    criteria.fields = fields;
    return criteria;
}

C range(R field, std::optional<qint64> from, std::optional<qint64> to, bool unavailable)
{
    C criteria;
    criteria.range(field) = {from, to};
    criteria.includeUnavailable = unavailable;
    return criteria;
}

C choice(bool unavailable, H hostile, U undead = U::Any, const QString &size = {})
{
    C criteria;
    criteria.hostile = hostile;
    criteria.undead = undead;
    criteria.size = size;
    criteria.includeUnavailable = unavailable;
    return criteria;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
private slots:
    // The fields of the data (dashes, separators, unavailable texts) are read in matches().
    void readsValues()
    {
        const auto is = [](qint64 lo, qint64 hi) { return std::optional(ValueRange{lo, hi}); };
        QCOMPARE(readValue(u" 1,234,567 "), is(1234567, 1234567));
        QCOMPARE(readValue(u"2,000-1¡500"), is(1500, 2000));
        QCOMPARE(readValue(u"60 − 65"), is(60, 65));
        QCOMPARE(readValue(u"−5--5"), is(-5, -5));
        // The scan stops at the end of the text it was given, not of the string behind it.
        QCOMPARE(readValue(QStringView(u"-5").first(1)), std::nullopt);
        for (const QString &text :
             {u"1.5"_s, u"2,,400"_s, u"60-"_s, u"1-2-3"_s, u"9999999999999999999"_s})
            QVERIFY2(!readValue(text), qPrintable(text));
        // Each field is read from its own column.
        const qint64 crab[kRangeFieldCount] = {2400, 28, 5000, 3100, 38, 12};
        for (int field = 0; field < kRangeFieldCount; ++field)
            QCOMPARE(fixture()->value(0, R(field)), is(crab[field], crab[field]));
    }

    // The index folds stored bytes through a table: each must fold as typed text does, and
    // every letter to plain letters (the micro sign folds to the Greek mu; the modifier
    // circumflex is an accent).
    void folds()
    {
        const std::pair<QString, QByteArray> cases[] = {
            {u"Phœbe ÆSIR Straße Þór Ðað Øre ı Ł Ogre’s “big” ‚x‘ 60–65—1−2"_s,
             "phoebe aesir strasse thor dad ore i l ogre's \"big\" 'x' 60-65-1-2"},
            {u"Crème Šelvik Ÿ Cre\u0300me"_s, "creme selvik y creme"},
            {u"Stone™ ﬁne ½…"_s, "stonetm fine 1\u20442..."},
            {u"a\tb\r\nc\u00a0d \U0001D400x € 5 × 2"_s, "a b  c d ax € 5 × 2"}};
        for (const auto &[text, folded] : cases)
            QCOMPARE(textfold::fold(text), folded);
        // A text that ends on half of a pair folds that half alone, whatever lies beyond.
        QCOMPARE(textfold::fold(QStringView(u"x\U0001D400").first(2)), textfold::fold(u"x\xD835"));
        // Search words: punctuation and hyphens part them, but for a number's separators
        // and an apostrophe inside a word.
        const std::pair<QString, std::vector<QByteArray>> words[] = {
            {u"giant, crab; 2,400 1.5 (3.)"_s, {"giant", "2,400", "crab", "1.5", "3"}},
            {u"Ice-Troll’s 'lair'"_s, {"troll's", "lair", "ice"}}};
        for (const auto &[text, split] : words)
            QVERIFY2(textfold::words(text) == split, qPrintable(text));
        // Type-ahead in the list: the start of a name, accents and case ignored, from the
        // current row on and round.
        const MonsterListModel list(std::make_shared<const MonsterTable>(
            MonsterTable::parse(windows1252::encode(kMonsters))));
        const std::tuple<QString, int, int> typed[] = {
            {u"PHOEBE M"_s, 0, 1}, {u"goblin pat"_s, 0, 6}, {u"marsh"_s, 6, 4}, {u"bat"_s, 0, -1}};
        const auto flags = Qt::MatchStartsWith | Qt::MatchWrap; // as a list view asks
        for (const auto &[text, from, row] : typed)
            QCOMPARE(list.match(list.index(from), Qt::DisplayRole, text, 1, flags).value(0).row(),
                     row);
        for (int byte = 0; byte < 256; ++byte) {
            const QChar ch = windows1252::toUnicode(uchar(byte));
            const QString shown = ch == u'¡' ? u","_s : ch == u'¿' ? u" "_s : QString(ch);
            const QByteArray stored = textfold::storedByte(uchar(byte)).toByteArray();
            QCOMPARE(stored, textfold::fold(shown));
            for (const char c : stored)
                QVERIFY2(!ch.isLetter() || ch == u'µ' || ch == u'ˆ' || (c >= 'a' && c <= 'z'),
                         qPrintable(shown));
        }
    }

    void matches_data()
    {
        QTest::addColumn<C>("criteria");
        QTest::addColumn<Rows>("rows");
        const TextFields notes = F::Notes,
                         all = F::Name | F::Treasure | F::Area | F::Description | notes;
        QTest::newRow("nothing asked") << C() << Rows{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("parts of words in any order") << text(u"  GIA  crab "_s) << Rows{0};
        QTest::newRow("punctuation between words") << text(u"giant, crab"_s) << Rows{0};
        QTest::newRow("accents in the data") << text(u"creme chateau ogre's"_s, all) << Rows{6};
        QTest::newRow("areas") << text(u"quillmoor"_s, F::Area) << Rows{4, 5};
        QTest::newRow("description") << text(u"giant"_s, F::Description) << Rows{5};
        QTest::newRow("words over fields") << text(u"bat fang"_s, F::Name | F::Treasure) << Rows{5};
        QTest::newRow("no field ticked") << text(u"bat"_s, {}) << Rows{};
        QTest::newRow("notes, namesakes apart") << text(u"fire"_s, notes) << Rows{4};
        QTest::newRow("a later namesake's note") << text(u"elder"_s, notes) << Rows{5};
        QTest::newRow("note and name") << text(u"hunter giant"_s, all) << Rows{7};
        QTest::newRow("notes of names with substitutes") << text(u"hard"_s, notes) << Rows{0, 2};
        QTest::newRow("note keyed by the stored form") << text(u"stored"_s, notes) << Rows{};

        QTest::newRow("from, separators") << range(R::Hp, 2000, {}, false) << Rows{0, 2};
        QTest::newRow("from, unavailable in") << range(R::Hp, 2000, {}, true) << Rows{0, 2, 3};
        QTest::newRow("bounds reversed") << range(R::Hp, 15, 5, false) << Rows{4};
        QTest::newRow("inside a range") << range(R::Hp, 550, 551, false) << Rows{7};
        QTest::newRow("dashes, ends") << range(R::Level, 14, 60, false) << Rows{0, 2, 6, 7};
        QTest::newRow("zero is a value") << range(R::Experience, {}, 0, false) << Rows{3};

        QTest::newRow("hostile yes, unavailable in") << choice(true, H::Yes) << Rows{2, 3, 4, 5, 7};
        QTest::newRow("hostile no") << choice(false, H::No) << Rows{1};
        QTest::newRow("hostile other") << choice(false, H::Other) << Rows{0, 6};
        QTest::newRow("undead yes") << choice(false, H::Any, U::Yes) << Rows{2, 6};
        QTest::newRow("undead no") << choice(false, H::Any, U::No) << Rows{0, 1, 4, 5};
        QTest::newRow("size") << choice(false, H::Any, U::Any, u"SMALL"_s) << Rows{1, 4, 5};
        QTest::newRow("the first size") << choice(false, H::Any, U::Any, u"large"_s) << Rows{0, 2};
        QTest::newRow("size nobody has") << choice(true, H::Any, U::Any, u"Huge"_s) << Rows{3, 7};
        C noted = choice(true, H::Any);
        noted.hasNote = C::HasNote::Yes; // "Nobody Here" and the stored form are no record's
        QTest::newRow("has a note") << noted << Rows{0, 2, 4, 5, 7};
        noted.hasNote = C::HasNote::No;
        QTest::newRow("has no note") << noted << Rows{1, 3, 6};
        C together = range(R::Hp, 20, 300, false); // each part rules out a row the others let in
        together.range(R::Level) = {6, {}};
        together.text = u"h"_s;
        QTest::newRow("ranges and text together") << together << Rows{1};
    }
    void matches()
    {
        QFETCH(C, criteria);
        QFETCH(Rows, rows);
        QCOMPARE(found(*fixture(), criteria), rows);
    }

    void notesChangeWithoutRebuilding()
    {
        NotesSnapshot notes(kNotes);
        const NotesSnapshot before = notes; // what a search already running holds
        notes.setNote(u"Phœbe Moth"_s, u"Fire moth"_s);
        notes.setNote(u"Marsh Bat"_s, QString());
        QCOMPARE(found(*fixture(), text(u"fire"_s, F::Notes), notes), Rows{1});
        QCOMPARE(found(*fixture(), text(u"fire"_s, F::Notes), before), Rows{4});
    }

    // The sizes offered; an empty database; counts, cells and sorting of the results.
    void sizesCountsCellsAndSorting()
    {
        QCOMPARE(fixture()->sizes(), QStringList({u"Large"_s, u"Small"_s, u"Medium"_s}));
        for (const SearchIndex &index : {SearchIndex(), SearchIndex(MonsterTable::parse("\r\n"))})
            QCOMPARE(found(index, text(u"a"_s, F::Name | F::Notes)), Rows());
        SearchResultsModel model;
        model.setIndex(std::make_shared<const SearchIndex>());
        model.sort(SearchResultsModel::NameColumn);
        QCOMPARE(model.countText(), u"0 of 0 monsters"_s);
        QCOMPARE(model.tableRow(0), -1);
        model.setIndex(std::make_shared<const SearchIndex>(MonsterTable::parse("Lone Bat|1")));
        QCOMPARE(model.countText(), u"0 of 1 monster"_s);

        model.setIndex(fixture());
        model.setResults({0, 2});
        const auto cells = [&model](int row) {
            QStringList cells;
            for (int column = 0; column < model.columnCount(); ++column)
                cells.append(model.data(model.index(row, column)).toString());
            return cells;
        };
        QCOMPARE(cells(1).join(u'|'),
                 u"Warden (Awakened)|9,999|60–65|48,000|36,000|Large|Yes|Yes|Drowned Abbey");

        // Sorted, unavailable values are last either way and equal values in file order either
        // way; a view's selection follows its row; new results keep the order.
        using M = SearchResultsModel;
        const std::tuple<int, Rows, Rows> cases[] = {
            {M::HpColumn, {4, 5, 1, 6, 7, 0, 2, 3}, {2, 0, 7, 6, 1, 5, 4, 3}},
            {M::HostileColumn, {1, 0, 6, 2, 4, 5, 3, 7}, {2, 4, 5, 6, 0, 1, 3, 7}},
            {-1, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5, 6, 7}}};
        for (auto [column, ascending, descending] : cases) {
            model.setIndex(fixture());
            model.setResults({0, 1, 2, 3, 4, 5, 6, 7});
            model.sort(M::AreaColumn, Qt::DescendingOrder);
            const QPersistentModelIndex held = model.index(0, 1);
            const qsizetype heldRow = model.tableRow(0);
            const auto shown = [&model] {
                Rows rows;
                for (int r = 0; r < model.rowCount(); ++r)
                    rows.append(model.tableRow(r));
                return rows;
            };
            model.sort(column);
            QCOMPARE(shown(), ascending);
            QCOMPARE(model.tableRow(held.row()), heldRow);
            model.sort(column, Qt::DescendingOrder);
            QCOMPARE(shown(), descending);
            // Exported as shown, under the titles.
            const QList<QStringList> exported = csv::read(model.toCsv()).rows;
            QCOMPARE(exported.size(), model.rowCount() + 1);
            QCOMPARE(exported[0][M::JobExpColumn], u"Job Exp."_s);
            for (int r = 0; r < model.rowCount(); ++r)
                QCOMPARE(exported[r + 1], cells(r));
            descending.removeIf([](qsizetype row) { return row % 2; });
            model.setResults({6, 4, 2, 0});
            QCOMPARE(shown(), descending);
        }
    }

    void largeDatabaseAndCancelling()
    {
        QString records;
        for (int i = 0; i < 40000; ++i) // beyond a 16-bit row count
            records += u"Monster %1|%1\n"_s.arg(i);
        const SearchIndex index(MonsterTable::parse(windows1252::encode(records)));
        QCOMPARE(found(index, text(u"monster 39999"_s)), Rows{39999});

        // A cancelled search stops; the window drops whatever it gives.
        std::atomic_bool cancel = true;
        QCOMPARE(index.run(C(), {}, &cancel), std::vector<qsizetype>());
        QCOMPARE(index.run(text(u"monster 1"_s), {}, &cancel), std::vector<qsizetype>());
    }

    void longRecordsFindTheirOwnWords()
    {
        // Records as long as real ones, whose per-record filters take several words each.
        const MonsterTable table =
            MonsterTable::loadFile(QStringLiteral(NV_SAMPLE_DATA_DIR "cml.nmd"));
        const SearchIndex index(table);
        int searches = 0;
        for (qsizetype row = 0; row < table.size(); ++row) {
            const QString description =
                decodeForDisplay(table.row(row).field(MonsterRecord::Description));
            for (const QByteArray &word : textfold::words(description)) {
                const Rows rows = found(index, text(QString::fromUtf8(word), F::Description));
                QVERIFY2(rows.contains(row), word.constData());
                ++searches;
            }
        }
        QVERIFY(searches > 500);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
