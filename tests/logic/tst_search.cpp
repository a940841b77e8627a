#include "searchindex.h"
#include "searchresults.h"
#include "testsupport.h"
#include "textfold.h"

#include <QTest>
#include <thread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SearchCriteria)
Q_DECLARE_METATYPE(std::optional<ValueRange>)

namespace {

using Rows = QList<qsizetype>;

// name, HP, level, experience, treasure, description, areas, hostile, undead, picture,
// job experience, size, weapon defense, mage defense
const QList<QStringList> kMonsters = {
    u"Crab¡ Giant|2¡400|28|5¡000|Shell¡ Pearl|Grows as long as it lives.¿Pinches.|"
    u"Saltglass Shore|Only when provoked|No||3¡100|Large|38|12"_s.split(u'|'),
    u"Phœbe Moth|75|8|90|Moth Dust|Its wing dust makes lamps burn blue.|Hollowfen Woods|No|No||"
    u"70|Small|3|12"_s.split(u'|'),
    u"Warden¿(Awakened)|9¡999|60–65|48¡000|Bell Shard|Stays at his post.|Drowned Abbey|Yes|Yes||"
    u"36¡000|Large|75|80"_s.split(u'|'),
    u"Unseen Thing|—|Data Unavailable|0|Nothing|No two stories agree.|||Data Unavailable|||||"_s
        .split(u'|'),
    u"Marsh Bat|10|3|24|Bat Wing|Sleeps by day.|Quillmoor Marsh|Yes|No||12|small|2|1"_s.split(u'|'),
    u"Marsh Bat|20|5|48|Bat Fang|An older bat with giant ears.|Quillmoor Marsh|yes|no||70|Small|"
    u"4|2"_s.split(u'|'),
    u"Goblin Pâtissier|260|13—14|230|Crème Brûlée|Trained at Château Velloran.|Ogre’s Cave|"
    u"Sometimes|Yes||140|Medium|18|8"_s.split(u'|'),
    u"Hill Giant|500-600|20|data unavailable|Club|Big.|Hills|Data Unavailable|||70|"
    u"DATA UNAVAILABLE|5|12"_s.split(u'|'),
};

const QHash<QString, QString> kNotes = {
    {u"Marsh Bat"_s, u"weak to FIRE"_s},
    {u"Hill Giant"_s, u"Crab hunter\r\nat dusk"_s},
    {u"Warden\r\n(Awakened)"_s, u"rings the bell"_s},
    {u"Nobody Here"_s, u"fire"_s},
    {u"Crab, Giant"_s, u"pinches hard"_s},
    {u"Crab¡ Giant"_s, u"stored form, not a shown name"_s},
};

std::shared_ptr<const SearchIndex> fixture()
{
    return std::make_shared<const SearchIndex>(
        MonsterTable::parse(testsupport::dataFile(kMonsters)));
}

Rows found(const SearchIndex &index, const SearchCriteria &criteria,
           const NotesSnapshot &notes = NotesSnapshot(kNotes))
{
    const std::vector<qsizetype> rows = index.run(criteria, notes);
    return Rows(rows.begin(), rows.end());
}

SearchCriteria text(const QString &words, TextFields fields = TextField::Name)
{
    SearchCriteria criteria;
    criteria.text = words;
    criteria.fields = fields;
    return criteria;
}

SearchCriteria range(RangeField field, std::optional<qint64> from, std::optional<qint64> to,
                     bool includeUnavailable)
{
    SearchCriteria criteria;
    criteria.range(field) = {from, to};
    criteria.includeUnavailable = includeUnavailable;
    return criteria;
}

template <typename Set> SearchCriteria choice(Set set, bool includeUnavailable)
{
    SearchCriteria criteria;
    set(criteria);
    criteria.includeUnavailable = includeUnavailable;
    return criteria;
}

Rows shown(const SearchResultsModel &model)
{
    Rows rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows.append(model.tableRow(r));
    return rows;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
private slots:
    void readsValues_data();
    void readsValues();
    void folds_data();
    void folds();
    void everyStoredLetterFoldsToPlainLetters();
    void matches_data();
    void matches();
    void listsSizesOnce();
    void notesChangeWithoutRebuilding();
    void emptyDatabase();
    void modelShowsDisplayTexts();
    void sorts_data();
    void sorts();
    void largeDatabase();
    void cancelling();
};

void TestSearch::readsValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<ValueRange>>("value");
    const auto is = [](qint64 low, qint64 high) { return std::optional(ValueRange{low, high}); };
    QTest::newRow("plain") << u"28"_s << is(28, 28);
    QTest::newRow("comma groups") << u"1,234,567"_s << is(1234567, 1234567);
    QTest::newRow("stored comma") << u"2¡400"_s << is(2400, 2400);
    QTest::newRow("blanks around") << u"  75 "_s << is(75, 75);
    QTest::newRow("hyphen range") << u"60-65"_s << is(60, 65);
    QTest::newRow("en dash range") << u"60–65"_s << is(60, 65);
    QTest::newRow("em dash range, blanks") << u"60 — 65"_s << is(60, 65);
    QTest::newRow("minus sign range") << u"60−65"_s << is(60, 65);
    QTest::newRow("range reversed") << u"2,000-1¡500"_s << is(1500, 2000);
    QTest::newRow("negative") << u"-5"_s << is(-5, -5);
    QTest::newRow("negative to positive") << u"−5 – 5"_s << is(-5, 5);
    const std::optional<ValueRange> none;
    QTest::newRow("empty") << QString() << none;
    QTest::newRow("blank") << u"   "_s << none;
    QTest::newRow("data unavailable") << u"Data Unavailable"_s << none;
    QTest::newRow("data unavailable, any case") << u"data UNAVAILABLE"_s << none;
    QTest::newRow("dash alone") << u"—"_s << none;
    QTest::newRow("decimal") << u"1.5"_s << none;
    QTest::newRow("trailing text") << u"12 hp"_s << none;
    QTest::newRow("leading comma") << u",400"_s << none;
    QTest::newRow("double comma") << u"2,,400"_s << none;
    QTest::newRow("open range") << u"60-"_s << none;
    QTest::newRow("three ends") << u"1-2-3"_s << none;
    QTest::newRow("too long for 64 bits") << u"9999999999999999999"_s << none;
}

void TestSearch::readsValues()
{
    QFETCH(QString, text);
    QFETCH(std::optional<ValueRange>, value);
    QCOMPARE(readValue(text), value);
}

void TestSearch::folds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("folded");
    QTest::newRow("case") << u"Crab, GIANT"_s << QByteArray("crab, giant");
    QTest::newRow("oe ligature") << u"Phœbe ŒRN"_s << QByteArray("phoebe oern");
    QTest::newRow("ae, sharp s, thorn, eth")
        << u"Æsir Straße Þór Ðað"_s << QByteArray("aesir strasse thor dad");
    QTest::newRow("accents") << u"Crème Brûlée Šelvik Ÿssel Ñ"_s
                             << QByteArray("creme brulee selvik yssel n");
    QTest::newRow("decomposed accent") << u"Cre\u0300me"_s << QByteArray("creme");
    QTest::newRow("slashed o, dotless i, l with stroke")
        << u"Øre ı Łódź"_s << QByteArray("ore i lodz");
    QTest::newRow("quotes and dashes")
        << u"Ogre’s “big” ‚x‘ 60–65—1−2"_s << QByteArray("ogre's \"big\" 'x' 60-65-1-2");
    QTest::newRow("compatibility forms")
        << u"Stone™ ﬁne ½…"_s << QByteArray("stonetm fine 1\u20442...");
    QTest::newRow("blanks") << u"a\tb\r\nc\u00a0d"_s << QByteArray("a b  c d");
    QTest::newRow("beyond 16 bits") << u"\U0001D400x"_s << QByteArray("ax");
    QTest::newRow("kept as it is") << u"€ 5 × 2"_s << QByteArray("€ 5 × 2");
}

void TestSearch::folds()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, folded);
    QCOMPARE(textfold::fold(text), folded);
}

void TestSearch::everyStoredLetterFoldsToPlainLetters()
{
    for (int byte = 0; byte < 256; ++byte) {
        const QChar ch = windows1252::toUnicode(uchar(byte));
        const QByteArrayView stored = textfold::storedByte(uchar(byte));
        if (ch == u'¡' || ch == u'¿') {
            QCOMPARE(stored.toByteArray(), ch == u'¡' ? ","_ba : " "_ba);
            continue;
        }
        // The index folds stored bytes through a table; typed text must fold alike.
        QCOMPARE(stored.toByteArray(), textfold::fold(QStringView(&ch, 1)));
        // The micro sign folds to the Greek mu; the modifier circumflex is an accent, not
        // a letter, whatever its category says.
        if (ch.isLetter() && ch != u'µ' && ch != QChar(0x02C6)) {
            for (const char c : stored)
                QVERIFY2(c >= 'a' && c <= 'z', qPrintable(QString(ch)));
        }
    }
}

void TestSearch::matches_data()
{
    QTest::addColumn<SearchCriteria>("criteria");
    QTest::addColumn<Rows>("rows");
    const TextFields all = TextField::Name | TextField::Treasure | TextField::Area |
                           TextField::Description | TextField::Notes;
    QTest::newRow("nothing asked") << SearchCriteria() << Rows{0, 1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("part of a word") << text(u"gia"_s) << Rows{0, 7};
    QTest::newRow("words in any order") << text(u"  GIANT  crab "_s) << Rows{0};
    QTest::newRow("ligature typed") << text(u"PHŒBE"_s) << Rows{1};
    QTest::newRow("ligature typed out") << text(u"phoebe"_s) << Rows{1};
    QTest::newRow("accent typed") << text(u"PÂTISSIER"_s) << Rows{6};
    QTest::newRow("accents in the data") << text(u"creme chateau ogre's"_s, all) << Rows{6};
    QTest::newRow("comma substitute as a comma") << text(u"crab,"_s) << Rows{0};
    QTest::newRow("line break substitute as a blank") << text(u"warden (awakened)"_s) << Rows{2};
    QTest::newRow("duplicate names") << text(u"marsh"_s) << Rows{4, 5};
    QTest::newRow("word only in an unticked field") << text(u"pearl"_s) << Rows{};
    QTest::newRow("treasure") << text(u"pearl"_s, TextField::Treasure) << Rows{0};
    QTest::newRow("areas") << text(u"quillmoor"_s, TextField::Area) << Rows{4, 5};
    QTest::newRow("description") << text(u"giant"_s, TextField::Description) << Rows{5};
    QTest::newRow("words split over fields")
        << text(u"bat fang"_s, TextField::Name | TextField::Treasure) << Rows{5};
    QTest::newRow("no field ticked") << text(u"bat"_s, {}) << Rows{};
    QTest::newRow("notes, shared by a name") << text(u"fire"_s, TextField::Notes) << Rows{4, 5};
    QTest::newRow("notes unticked") << text(u"fire"_s) << Rows{};
    QTest::newRow("note and name") << text(u"hunter giant"_s, all) << Rows{7};
    QTest::newRow("note of a name with a line break")
        << text(u"bell rings"_s, TextField::Notes) << Rows{2};
    QTest::newRow("note of a name with a comma") << text(u"hard"_s, TextField::Notes) << Rows{0};
    QTest::newRow("note keyed by the stored form") << text(u"stored"_s, TextField::Notes) << Rows{};

    const auto hp = RangeField::Hp;
    QTest::newRow("from, separators") << range(hp, 2000, {}, false) << Rows{0, 2};
    QTest::newRow("from, unavailable in") << range(hp, 2000, {}, true) << Rows{0, 2, 3};
    QTest::newRow("to") << range(hp, {}, 15, false) << Rows{4};
    QTest::newRow("bounds reversed") << range(hp, 15, 5, false) << Rows{4};
    QTest::newRow("range overlaps the value's range") << range(hp, 550, 551, false) << Rows{7};
    QTest::newRow("en dash range") << range(RangeField::Level, 62, 62, false) << Rows{2};
    QTest::newRow("em dash range") << range(RangeField::Level, 14, 20, false) << Rows{6, 7};
    QTest::newRow("text unavailable, any case")
        << range(RangeField::Experience, 1, 100, true) << Rows{1, 4, 5, 7};
    QTest::newRow("zero is a value") << range(RangeField::Experience, {}, 0, false) << Rows{3};
    QTest::newRow("job experience") << range(RangeField::JobExp, 70, 70, false) << Rows{1, 5, 7};
    QTest::newRow("weapon defense, empty unavailable")
        << range(RangeField::Defense, {}, 3, true) << Rows{1, 3, 4};
    QTest::newRow("mage defense") << range(RangeField::MDefense, 12, 12, false) << Rows{0, 1, 7};
    SearchCriteria twoRanges = range(hp, 20, 300, false);
    twoRanges.range(RangeField::Level) = {5, 20};
    QTest::newRow("two ranges") << twoRanges << Rows{1, 5, 6};

    using H = SearchCriteria::Hostile;
    using U = SearchCriteria::Undead;
    const auto hostile = [](H h) { return [h](SearchCriteria &c) { c.hostile = h; }; };
    const auto undead = [](U u) { return [u](SearchCriteria &c) { c.undead = u; }; };
    const auto size = [](QString s) { return [s](SearchCriteria &c) { c.size = s; }; };
    QTest::newRow("hostile yes, any case") << choice(hostile(H::Yes), false) << Rows{2, 4, 5};
    QTest::newRow("hostile yes, unavailable in")
        << choice(hostile(H::Yes), true) << Rows{2, 3, 4, 5, 7};
    QTest::newRow("hostile no") << choice(hostile(H::No), false) << Rows{1};
    QTest::newRow("hostile other") << choice(hostile(H::Other), false) << Rows{0, 6};
    QTest::newRow("undead yes") << choice(undead(U::Yes), false) << Rows{2, 6};
    QTest::newRow("undead yes, unavailable in") << choice(undead(U::Yes), true) << Rows{2, 3, 6, 7};
    QTest::newRow("undead no, any case") << choice(undead(U::No), false) << Rows{0, 1, 4, 5};
    QTest::newRow("size, any case") << choice(size(u"SMALL"_s), false) << Rows{1, 4, 5};
    QTest::newRow("size, unavailable in") << choice(size(u"Large"_s), true) << Rows{0, 2, 3, 7};
    QTest::newRow("size no record has") << choice(size(u"Huge"_s), false) << Rows{};
    QTest::newRow("size no record has, unavailable in")
        << choice(size(u"Huge"_s), true) << Rows{3, 7};

    SearchCriteria everything = text(u"bat"_s);
    everything.range(hp) = {15, {}};
    everything.hostile = H::Yes;
    everything.undead = U::No;
    everything.size = u"small"_s;
    QTest::newRow("every kind at once") << everything << Rows{5};
}

void TestSearch::matches()
{
    QFETCH(SearchCriteria, criteria);
    QFETCH(Rows, rows);
    QCOMPARE(found(*fixture(), criteria), rows);
}

void TestSearch::listsSizesOnce()
{
    QCOMPARE(fixture()->sizes(), QStringList({u"Large"_s, u"Small"_s, u"Medium"_s}));
}

void TestSearch::notesChangeWithoutRebuilding()
{
    const auto index = fixture();
    NotesSnapshot notes(kNotes);
    const NotesSnapshot before = notes; // what a search already running holds
    notes.setNote(u"Phœbe Moth"_s, u"Fire moth"_s);
    notes.setNote(u"Marsh Bat"_s, QString());
    const SearchCriteria fire = text(u"fire"_s, TextField::Notes);
    QCOMPARE(found(*index, fire, notes), Rows{1});
    QCOMPARE(found(*index, fire, before), Rows({4, 5}));
}

void TestSearch::emptyDatabase()
{
    for (const SearchIndex &index : {SearchIndex(), SearchIndex(MonsterTable::parse("\r\n"))}) {
        QCOMPARE(found(index, SearchCriteria()), Rows());
        QCOMPARE(found(index, text(u"a"_s, TextField::Notes)), Rows());
        QVERIFY(index.sizes().isEmpty());
    }
    SearchResultsModel model;
    model.setIndex(std::make_shared<const SearchIndex>());
    model.sort(SearchResultsModel::NameColumn);
    model.setResults({});
    QCOMPARE(model.countText(), u"0 of 0 monsters"_s);
    QCOMPARE(model.tableRow(0), -1);
}

void TestSearch::modelShowsDisplayTexts()
{
    SearchResultsModel model;
    model.setIndex(fixture());
    model.setResults({0, 2});
    QCOMPARE(model.columnCount(), 9);
    QStringList header;
    for (int column = 0; column < model.columnCount(); ++column)
        header.append(model.headerData(column, Qt::Horizontal).toString());
    QCOMPARE(header.join(u'|'), u"Name|HP|Level|Experience|Job Exp.|Size|Hostile|Undead|Areas");
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
        cells.append(model.data(model.index(1, column)).toString());
    QCOMPARE(cells.join(u'|'), u"Warden (Awakened)|9,999|60–65|48,000|36,000|Large|Yes|Yes|"
                               u"Drowned Abbey");
    QCOMPARE(model.data(model.index(0, 0)).toString(), u"Crab, Giant");
    QCOMPARE(model.countText(), u"2 of 8 monsters"_s);

    const SearchIndex one(MonsterTable::parse("Lone Bat|1"));
    model.setIndex(std::make_shared<const SearchIndex>(one));
    model.setResults({});
    QCOMPARE(model.countText(), u"0 of 1 monster"_s);
}

void TestSearch::sorts_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Rows>("ascending");
    QTest::addColumn<Rows>("descending");
    using M = SearchResultsModel;
    // Unavailable values last either way; equal values in file order either way.
    QTest::newRow("name, folded") << int(M::NameColumn) << Rows{0, 6, 7, 4, 5, 1, 3, 2}
                                  << Rows{2, 3, 1, 4, 5, 7, 6, 0};
    QTest::newRow("HP as numbers")
        << int(M::HpColumn) << Rows{4, 5, 1, 6, 7, 0, 2, 3} << Rows{2, 0, 7, 6, 1, 5, 4, 3};
    QTest::newRow("level ranges") << int(M::LevelColumn) << Rows{4, 5, 1, 6, 7, 0, 2, 3}
                                  << Rows{2, 0, 7, 6, 1, 5, 4, 3};
    QTest::newRow("experience, zero and text")
        << int(M::ExperienceColumn) << Rows{3, 4, 5, 1, 6, 0, 2, 7} << Rows{2, 0, 6, 1, 5, 4, 3, 7};
    QTest::newRow("job experience, ties")
        << int(M::JobExpColumn) << Rows{4, 1, 5, 7, 6, 0, 2, 3} << Rows{2, 0, 6, 1, 5, 7, 4, 3};
    QTest::newRow("hostile") << int(M::HostileColumn) << Rows{1, 0, 6, 2, 4, 5, 3, 7}
                             << Rows{2, 4, 5, 6, 0, 1, 3, 7};
    QTest::newRow("file order") << -1 << Rows{0, 1, 2, 3, 4, 5, 6, 7}
                                << Rows{0, 1, 2, 3, 4, 5, 6, 7};
}

void TestSearch::sorts()
{
    QFETCH(int, column);
    QFETCH(Rows, ascending);
    QFETCH(Rows, descending);
    SearchResultsModel model;
    model.setIndex(fixture());
    model.setResults({0, 1, 2, 3, 4, 5, 6, 7});
    model.sort(SearchResultsModel::AreaColumn, Qt::DescendingOrder);
    const QPersistentModelIndex held = model.index(0, 1);
    const qsizetype heldRow = model.tableRow(0);
    model.sort(column);
    QCOMPARE(shown(model), ascending);
    QCOMPARE(model.tableRow(held.row()), heldRow); // a view's selection follows its row
    model.sort(column, Qt::DescendingOrder);
    QCOMPARE(shown(model), descending);
    // New results keep the order.
    Rows some = descending;
    some.removeIf([](qsizetype row) { return row % 2; });
    model.setResults({6, 4, 2, 0});
    QCOMPARE(shown(model), some);
}

void TestSearch::largeDatabase()
{
    QList<QStringList> records;
    for (int i = 0; i < 32767; ++i) {
        QStringList fields = testsupport::record(u"Monster %1"_s.arg(i));
        if (i % 1000 == 999)
            fields[0] += u"¡ Giant"_s;
        fields[1] = QString::number(i);
        records.append(fields);
    }
    const auto index =
        std::make_shared<const SearchIndex>(MonsterTable::parse(testsupport::dataFile(records)));
    SearchCriteria criteria = text(u"giant"_s);
    criteria.range(RangeField::Hp) = {20000, {}};
    Rows expected;
    for (qsizetype i = 20999; i < 32767; i += 1000)
        expected.append(i);
    QCOMPARE(found(*index, criteria), expected);
    QCOMPARE(found(*index, text(u"monster 32766"_s)), Rows{32766});

    SearchResultsModel model;
    model.setIndex(index);
    model.setResults(index->run(range(RangeField::Hp, 30766, {}, false), {}));
    QCOMPARE(model.countText(), u"2,001 of 32,767 monsters"_s);
    model.sort(SearchResultsModel::HpColumn, Qt::DescendingOrder);
    QCOMPARE(model.tableRow(0), 32766);
}

void TestSearch::cancelling()
{
    const auto index = fixture();
    std::atomic_bool cancel = true;
    QCOMPARE(index->run(SearchCriteria(), {}, &cancel), std::vector<qsizetype>());
    QCOMPARE(index->run(text(u"bat"_s), {}, &cancel), std::vector<qsizetype>());
    cancel = false;
    QCOMPARE(index->run(SearchCriteria(), {}, &cancel).size(), std::size_t(8));

    // Cancelled from another thread at any moment, a search gives all its rows or none.
    QList<QStringList> records;
    for (int i = 0; i < 20000; ++i)
        records.append(testsupport::record(u"Bat %1"_s.arg(i)));
    const SearchIndex large(MonsterTable::parse(testsupport::dataFile(records)));
    const SearchCriteria bats = text(u"bat 1"_s, TextField::Name | TextField::Description);
    const std::size_t all = large.run(bats, {}).size();
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::atomic_bool stop = false;
        std::size_t got = 0;
        std::thread worker([&] { got = large.run(bats, {}, &stop).size(); });
        std::this_thread::sleep_for(std::chrono::microseconds(50 * attempt));
        stop = true;
        worker.join();
        QVERIFY(got == 0 || got == all);
    }
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
