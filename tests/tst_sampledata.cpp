// The bundled sample data is what a newcomer first sees: it must load whole, name
// pictures that open, and come with update and version files that match it.
#include "monsters/monstertable.h"
#include "monsters/recordview.h"

#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSampleData : public QObject
{
    Q_OBJECT
private slots:
    void dataFileIsWellFormed();
    void picturesOpenInEveryFormat();
    void updateListMatchesTheFiles();
    void versionFileIsQuoted();

private:
    static QByteArray read(const QString &name)
    {
        QFile file(QStringLiteral(NV_SAMPLE_DATA_DIR) + name);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
};

void TestSampleData::dataFileIsWellFormed()
{
    const QByteArray bytes = read(u"cml.nmd"_s);
    QVERIFY(bytes.endsWith("\r\n\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QVERIFY(!bytes.contains(','));
    QVERIFY(bytes.contains('\x92'));

    const MonsterTable table = MonsterTable::parse(bytes);
    QVERIFY(table.size() >= 40);
    QCOMPARE(qsizetype(bytes.count("\r\n") - 1), table.size());
    QSet<QString> names;
    bool duplicate = false, commaInName = false, breakInName = false, longText = false;
    for (qsizetype r = 0; r < table.size(); ++r) {
        const MonsterRecord &record = table.row(r);
        const QString name = record.field(MonsterRecord::Name).toString();
        QVERIFY(!name.isEmpty());
        duplicate |= names.contains(name);
        names.insert(name);
        commaInName |= name.contains(kCommaSubstitute);
        breakInName |= name.contains(kLineBreakSubstitute);
        longText |= record.field(MonsterRecord::Description).size() > 300;
        QVERIFY2(!record.field(MonsterRecord::MDefense).isEmpty(), qPrintable(name));
    }
    QVERIFY(duplicate);
    QVERIFY(commaInName);
    QVERIFY(breakInName);
    QVERIFY(longText);
}

void TestSampleData::picturesOpenInEveryFormat()
{
    const MonsterTable table = MonsterTable::parse(read(u"cml.nmd"_s));
    QSet<QByteArray> formats;
    int missing = 0;
    for (qsizetype r = 0; r < table.size(); ++r) {
        const RecordView view = viewOf(table.row(r), QStringLiteral(NV_SAMPLE_DATA_DIR));
        if (view.picturePath.isEmpty())
            continue;
        if (!QFile::exists(view.picturePath)) {
            ++missing;
            continue;
        }
        QImageReader reader(view.picturePath);
        formats.insert(reader.format());
        QVERIFY2(!reader.read().isNull(), qPrintable(view.picturePath));
    }
    QCOMPARE(missing, 1);
    for (const char *format : {"bmp", "ico", "gif", "jpeg"})
        QVERIFY2(formats.contains(format), format);
}

void TestSampleData::updateListMatchesTheFiles()
{
    const QList<QByteArray> lines = read(u"update.dat"_s).split('\n');
    const int count = lines.value(0).trimmed().toInt();
    QVERIFY(count > 1);
    QSet<QString> listed;
    for (int i = 1; i < count; ++i) {
        QVERIFY(lines[i].endsWith('\r'));
        const QList<QByteArray> fields = lines[i].trimmed().split(',');
        QCOMPARE(fields.size(), 4);
        const QString name = QString::fromLatin1(fields[0]).replace(u'\\', u'/');
        QCOMPARE(QFileInfo(QStringLiteral(NV_SAMPLE_DATA_DIR) + name).size(),
                 fields[2].toLongLong());
        listed.insert(name);
    }
    QDirIterator files(QStringLiteral(NV_SAMPLE_DATA_DIR), QDir::Files,
                       QDirIterator::Subdirectories);
    QSet<QString> onDisk;
    while (files.hasNext()) {
        const QString name =
            QDir(QStringLiteral(NV_SAMPLE_DATA_DIR)).relativeFilePath(files.next());
        if (name != u"update.dat" && name != u"vers.dat")
            onDisk.insert(name);
    }
    QCOMPARE(listed, onDisk);
}

void TestSampleData::versionFileIsQuoted()
{
    const QByteArray bytes = read(u"vers.dat"_s);
    QVERIFY(bytes.startsWith('"'));
    QVERIFY(bytes.endsWith("\"\r\n"));
    QVERIFY(bytes.size() - 4 <= 9);
}

QTEST_MAIN(TestSampleData)
#include "tst_sampledata.moc"
