#include "itemreader.h"
#include "monstertable.h"
#include "recordview.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::record;
using testsupport::recordLine;

class TestMonsterTable : public QObject
{
    Q_OBJECT
private slots:
    void readsItems_data();
    void readsItems();
    void loadsRecords_data();
    void loadsRecords();
    void splitsFields();
    void duplicateNamesStayDistinctRows();
    void loadsBeyondSixteenBitRowCount();
    void loadFileReportsMissingFile();
    void displayUndoesSubstitutes();
};

void TestMonsterTable::readsItems_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("items");
    const auto list = [](std::initializer_list<const char *> items) {
        QStringList out;
        for (const char *item : items)
            out.append(QString::fromLatin1(item));
        return out;
    };
    QTest::newRow("lines") << QByteArray("a\r\nb\r\n") << list({"a", "b"});
    QTest::newRow("comma ends an item") << QByteArray("a,b\r\n") << list({"a", "b"});
    QTest::newRow("blanks before an item") << QByteArray("  \ta, b\r\n") << list({"a", "b"});
    QTest::newRow("blanks after an item stay") << QByteArray("a  \r\n") << list({"a  "});
    QTest::newRow("empty line is an empty item")
        << QByteArray("a\r\n\r\nb") << list({"a", "", "b"});
    QTest::newRow("quoted holds commas and line breaks")
        << QByteArray("\"a,b\r\nc\",d\r\n") << list({"a,b\r\nc", "d"});
    QTest::newRow("text after closing quote dropped")
        << QByteArray("\"a\"xyz,b\r\n") << list({"a", "b"});
    QTest::newRow("unterminated quote runs to the end") << QByteArray("\"a,b") << list({"a,b"});
    QTest::newRow("LF and CR line ends") << QByteArray("a\nb\rc") << list({"a", "b", "c"});
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << list({"a", "b"});
}

void TestMonsterTable::readsItems()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, items);
    ItemReader reader(data);
    QStringList read;
    while (!reader.atEnd())
        read.append(QString::fromLatin1(reader.next()));
    QCOMPARE(read, items);
}

void TestMonsterTable::loadsRecords_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("names");
    const QByteArray a = recordLine(record(QStringLiteral("Ant")));
    const QByteArray b = recordLine(record(QStringLiteral("Bat")));
    const QByteArray c = recordLine(record(QStringLiteral("Cat")));
    const QStringList abc{QStringLiteral("Ant"), QStringLiteral("Bat"), QStringLiteral("Cat")};
    QTest::newRow("ends with an empty line") << a + "\r\n" + b + "\r\n" + c + "\r\n\r\n" << abc;
    // The last record is kept whether or not an empty line follows it.
    QTest::newRow("last line ended") << a + "\r\n" + b + "\r\n" + c + "\r\n" << abc;
    QTest::newRow("last line not ended") << a + "\r\n" + b + "\r\n" + c << abc;
    QTest::newRow("one line") << a << QStringList{QStringLiteral("Ant")};
    QTest::newRow("blank lines between records") << a + "\r\n\r\n  \r\n" + b + "\r\n"
                                                 << QStringList{abc[0], abc[1]};
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n") << QStringList();
    QTest::newRow("comma splits a line into two records")
        << QByteArray("Ant|1,Bat|2\r\n") << QStringList{abc[0], abc[1]};
}

void TestMonsterTable::loadsRecords()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, names);
    const MonsterTable table = MonsterTable::parse(data);
    QStringList read;
    for (qsizetype r = 0; r < table.size(); ++r)
        read.append(table.row(r).field(MonsterRecord::Name));
    QCOMPARE(read, names);
    QCOMPARE(table.listTexts(), names);
}

void TestMonsterTable::splitsFields()
{
    QStringList fifteen = record(QStringLiteral("Ant"));
    fifteen.append(QStringLiteral("extra"));
    const MonsterTable fullTable = MonsterTable::parse(testsupport::recordLine(fifteen));
    const MonsterRecord full = fullTable.row(0);
    for (int f = 0; f < 14; ++f)
        QCOMPARE(full.field(f), fifteen[f]);
    QCOMPARE(full.field(13), QStringLiteral("Ant f13")); // the fifteenth piece is not glued on

    // Fewer than fourteen pieces: the missing fields read as empty.
    const MonsterTable shortTable = MonsterTable::parse("Bat|10|");
    const MonsterRecord shortRecord = shortTable.row(0);
    QCOMPARE(shortRecord.field(MonsterRecord::Name), u"Bat");
    QCOMPARE(shortRecord.field(MonsterRecord::Hp), u"10");
    for (int f = MonsterRecord::Level; f < MonsterRecord::FieldCount; ++f)
        QVERIFY(shortRecord.field(f).isEmpty());

    const MonsterTable nameTable = MonsterTable::parse("Cat");
    const MonsterRecord nameOnly = nameTable.row(0);
    QCOMPARE(nameOnly.field(MonsterRecord::Name), u"Cat");
    QVERIFY(nameOnly.field(MonsterRecord::MDefense).isEmpty());
    QVERIFY(nameOnly.field(99).isEmpty());
}

void TestMonsterTable::duplicateNamesStayDistinctRows()
{
    QStringList first = record(QStringLiteral("Bat"));
    QStringList second = record(QStringLiteral("Bat"));
    first[MonsterRecord::Hp] = QStringLiteral("10");
    second[MonsterRecord::Hp] = QStringLiteral("20");
    // A record with an empty name hides nothing after it.
    const MonsterTable table = MonsterTable::parse(
        testsupport::dataFile({first, record(QString()), second, record(QStringLiteral("Cat"))}));
    QCOMPARE(table.size(), 4);
    QCOMPARE(table.row(0).field(MonsterRecord::Hp), u"10");
    QCOMPARE(table.row(2).field(MonsterRecord::Hp), u"20");
    QCOMPARE(table.row(3).field(MonsterRecord::Name), u"Cat");
}

void TestMonsterTable::loadsBeyondSixteenBitRowCount()
{
    constexpr int count = 40000;
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data += "M" + QByteArray::number(i) + "|1\r\n";
    const MonsterTable table = MonsterTable::parse(data);
    QCOMPARE(table.size(), count);
    QCOMPARE(table.row(count - 1).field(MonsterRecord::Name), u"M39999");
}

void TestMonsterTable::loadFileReportsMissingFile()
{
    QTemporaryDir dir;
    QString error;
    const MonsterTable missing = MonsterTable::loadFile(dir.filePath(u"cml.nmd"_s), &error);
    QVERIFY(missing.isEmpty());
    QVERIFY(!error.isEmpty());

    testsupport::writeFile(dir.filePath(u"cml.nmd"_s), "Ant|1\r\n");
    const MonsterTable present = MonsterTable::loadFile(dir.filePath(u"cml.nmd"_s), &error);
    QCOMPARE(present.size(), 1);
    QVERIFY(error.isEmpty());
}

void TestMonsterTable::displayUndoesSubstitutes()
{
    // The list entry undoes only the comma; the table keeps what the file holds.
    const MonsterTable table = MonsterTable::parse("Crab\xA1 Giant|5\xA1"
                                                   "000||||"
                                                   "Lives in caves.\xBF"
                                                   "Flees\x92.||||pics\\c.gif\r\n"
                                                   "Two\xBFLines\r\n");
    QCOMPARE(table.listTexts(), (QStringList{u"Crab, Giant"_s, u"Two¿Lines"_s}));
    QCOMPARE(table.row(0).field(MonsterRecord::Name), u"Crab¡ Giant");

    const RecordView view = viewOf(table.row(0), DataFolder(u"/d/"_s));
    QCOMPARE(view.text[MonsterRecord::Name], u"Crab, Giant"_s);
    QCOMPARE(view.text[MonsterRecord::Hp], u"5,000"_s);
    QCOMPARE(view.text[MonsterRecord::Description], u"Lives in caves.\r\nFlees’."_s);
    QCOMPARE(view.picturePath, u"/d/pics/c.gif"_s); // "\\" is a folder separator
    QCOMPARE(viewOf(table.row(1), DataFolder(u"/d/"_s)).picturePath, QString());
}

QTEST_APPLESS_MAIN(TestMonsterTable)
#include "tst_monstertable.moc"
