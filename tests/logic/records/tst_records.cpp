// What the main window is given to work with: the filtered and ordered list, the history,
// the links in a record and the notes file.
#include "csv.h"
#include "history.h"
#include "linkparts.h"
#include "listfilter.h"
#include "monsterlist.h"
#include "monstertable.h"
#include "notesfile.h"
#include "recordview.h"
#include "windows1252.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Rows = std::vector<qsizetype>;
using notesfile::Note;

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void filterAndOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("aToZ");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("count");
        QTest::newRow("no filter") << u" "_s << false << Rows{0, 1, 2, 3, 4, 5, 6, 7} << u""_s;
        QTest::newRow("A to Z, namesakes in file order")
            << u""_s << true << Rows{0, 7, 2, 3, 5, 4, 1, 6} << u""_s;
        QTest::newRow("case") << u"BAT"_s << false << Rows{3, 5} << u"2 of 8"_s;
        QTest::newRow("every word") << u"bat elan"_s << false << Rows{} << u"0 of 8"_s;
        QTest::newRow("parts in any order, a comma")
            << u"  gia crab"_s << false << Rows{0} << u"1 of 8"_s;
        QTest::newRow("accent typed") << u"élan"_s << false << Rows{7} << u"1 of 8"_s;
        QTest::newRow("curly apostrophe") << u"OGRE'S"_s << false << Rows{4} << u"1 of 8"_s;
        QTest::newRow("line break") << u"awakened warden"_s << false << Rows{6} << u"1 of 8"_s;
        QTest::newRow("A to Z, filtered")
            << u"a"_s << true << Rows{0, 7, 2, 3, 5, 4, 6} << u"7 of 8"_s;
    }
    void filterAndOrder()
    {
        QFETCH(QString, text);
        QFETCH(bool, aToZ);
        QFETCH(Rows, rows);
        QFETCH(QString, count);
        const MonsterTable table = MonsterTable::parse(windows1252::encode(
            u"Crab¡ Giant\nPhœbe Moth\nGoblin Pâtissier\nMarsh Bat\nogre’s Club Bearer\n"
            "Marsh Bat\nWarden¿(Awakened)\nÉLAN Wisp\n"_s));
        const auto order = aToZ ? ListFilter::Order::AToZ : ListFilter::Order::File;
        // Typed a key at a time (each narrowing the last), past the end and back, and set
        // at once: all come to the same rows.
        ListFilter typed(table);
        typed.setOrder(order);
        for (qsizetype n = 1; n <= text.size(); ++n)
            typed.setText(text.first(n));
        typed.setText(text + u"q"_s);
        typed.setText(text);
        QCOMPARE(typed.rows(), rows);
        ListFilter atOnce(table);
        atOnce.setText(text);
        atOnce.setOrder(order);
        QCOMPARE(atOnce.rows(), rows);
        QCOMPARE(atOnce.countText(), count);
        QByteArray many; // more names than a sort does by insertion, given Z to A
        for (int n = 199; n >= 100; --n)
            many += QByteArray::number(n) + "\r\n";
        ListFilter big(MonsterTable::parse(many));
        big.setOrder(ListFilter::Order::AToZ);
        QVERIFY(std::ranges::is_sorted(big.rows(), std::greater()));
        // The list model finds each record's row, or none.
        MonsterListModel model(std::make_shared<const MonsterTable>(table));
        model.setFilterText(text);
        model.setOrder(order);
        for (qsizetype row = -1; row <= table.size(); ++row) {
            const auto at = std::ranges::find(rows, row);
            QCOMPARE(model.listRow(row), at == rows.end() ? -1 : int(at - rows.begin()));
        }
        // A flat list of one column: no index past its rows, beside them or below them.
        const int size = int(rows.size());
        QVERIFY(!model.index(size, 0).isValid() && !model.index(0, 1).isValid() &&
                !model.index(0, 0, model.index(0, 0)).isValid());
    }

    // Moves: a number visits that row, "<" and ">" go back and forward (giving the row or
    // "-"). Then "|", the current row, and whether back (b) and forward (f) can go.
    void history_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("trace");
        QTest::newRow("as a browser") << u"1 2 3 < < > 4 > <"_s << u"2 1 2 - 2|2bf"_s;
        QTest::newRow("the same again adds nothing") << u"1 1 2 2 < <"_s << u"1 -|1f"_s;
        QTest::newRow("the current again keeps forward") << u"1 2 < 1 >"_s << u"1 2|2b"_s;
        QTest::newRow("nothing visited") << u"< >"_s << u"- -|"_s;
    }
    void history()
    {
        QFETCH(QString, moves);
        QFETCH(QString, trace);
        History history;
        QStringList went;
        const auto shown = [](qsizetype row) { return row < 0 ? u"-"_s : QString::number(row); };
        for (const QString &move : moves.split(u' ')) {
            if (move == u"<" || move == u">")
                went.append(shown(move == u"<" ? history.back() : history.forward()));
            else
                history.visit(move.toLongLong());
        }
        QCOMPARE(went.join(u' ') + u'|' + shown(history.current()).remove(u'-') +
                     (history.canGoBack() ? u"b"_s : u""_s) +
                     (history.canGoForward() ? u"f"_s : u""_s),
                 trace);
    }

    void linkParts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("parts"); // text@start in the shown value
        QTest::newRow("commas") << u"Bat Wing¡ Murky Water"_s << u"Bat Wing@0|Murky Water@10"_s;
        QTest::newRow("blanks, empty parts") << u"  Pearl ¡¡ ¡Sand  "_s << u"Pearl@2|Sand@12"_s;
        QTest::newRow("line breaks") << u"¿¿Gold¿Potion¡ Gold"_s << u"Gold@4|Potion@10|Gold@18"_s;
        QTest::newRow("no value") << u" data unavailable "_s << u""_s;
        QTest::newRow("empty") << u""_s << u""_s;
    }
    void linkParts()
    {
        QFETCH(QString, stored);
        QFETCH(QString, parts);
        QStringList found;
        for (const LinkPart &part : ::linkParts(stored)) {
            QCOMPARE(decodeForDisplay(stored).mid(part.start, part.length), part.text);
            found.append(part.text + u'@' + QString::number(part.start));
        }
        QCOMPARE(found.join(u'|'), parts);
    }

    // Exported and imported again, nothing changes; an import adds, keeps what is equal
    // and asks before replacing; a file that would lose a note is refused.
    void notesRoundTrip()
    {
        const QHash<QString, QString> stored = {
            {u"Marsh Bat"_s, u"weak to fire,\r\nsays \"hi\""_s},
            {notesfile::key(u"Marsh Bat"_s, 2), u"the elder one"_s},
            {u"Crab, Giant"_s, u"漢字 😀 ő"_s},
            {u"Warden\r\n(Awakened)"_s, u"rings"_s},
            {u"Emptied"_s, u""_s}};
        const std::vector<Note> notes = notesfile::fromStore(stored);
        QCOMPARE(notes[2], (Note{u"Marsh Bat"_s, 2, u"the elder one"_s}));
        const QByteArray file = notesfile::exportText(notes);
        QCOMPARE(notesfile::planImport(file, notes).same, notes);
        QCOMPARE(notesfile::planImport(file, {}).add, notes);

        // As a spreadsheet saves it again: LF line breaks, rows added.
        const notesfile::ImportPlan plan = notesfile::planImport(
            csv::write({{u"Monster"_s, u"Occurrence"_s, u"Note"_s},
                        {u"Marsh Bat"_s, u"1"_s, u"weak to fire,\nsays \"hi\""_s},
                        {u"Marsh Bat"_s, u"2"_s, u"elder"_s},
                        {u"Wolf"_s, u"1"_s, u""_s},
                        {u"Wolf"_s, u" 3 "_s, u"howls"_s}}),
            notes);
        QCOMPARE(plan.same, std::vector<Note>{notes[1]});
        QCOMPARE(plan.differ.size(), 1u);
        QCOMPARE(plan.differ[0].existing, u"the elder one"_s);
        QCOMPARE(plan.add, (std::vector<Note>{{u"Wolf"_s, 3, u"howls"_s}}));

        const std::pair<QByteArray, QString> refused[] = {
            {"Bat,1,a\r\nBat,1,b\r\nBat,1,a", u"line 2: a second, different note for Bat"_s},
            {"Bat,0,a", u"line 1: the occurrence \"0\" is not a whole number from 1"_s},
            {"Bat,1\r\n", u"line 1: a note needs a monster, its occurrence and the text"_s}};
        for (const auto &[bytes, error] : refused) {
            const notesfile::ImportPlan none = notesfile::planImport(bytes, notes);
            QCOMPARE(none.error, error);
            QVERIFY(none.add.empty() && none.same.empty() && none.differ.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
