// The bundled sample data is what a newcomer first sees: it must load whole, name
// pictures that all open, in every format, pass the publishing check, and come with
// update and version files that match.
#include "datafolder.h"
#include "monstertable.h"
#include "publish.h"
#include "recordview.h"
#include "updatelist.h"
#include "versionfile.h"

#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSampleData : public QObject
{
    Q_OBJECT
private slots:
    void loadsWholeAndPicturesOpen();
    void updateAndVersionFilesMatch();

private:
    static QString path(const QString &name) { return QStringLiteral(NV_SAMPLE_DATA_DIR) + name; }
    static QByteArray read(const QString &name)
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void TestSampleData::loadsWholeAndPicturesOpen()
{
    const QByteArray bytes = read(u"cml.nmd"_s);
    QVERIFY(bytes.endsWith("\r\n\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const MonsterTable table = MonsterTable::parse(bytes);
    QVERIFY(table.size() >= 40);
    QCOMPARE(qsizetype(bytes.count("\r\n") - 1), table.size()); // no comma splits a record

    QSet<QByteArray> formats;
    for (qsizetype r = 0; r < table.size(); ++r) {
        const RecordView view = viewOf(table.row(r), DataFolder(path({})));
        QVERIFY(!view.text[MonsterRecord::Name].isEmpty());
        if (view.picturePath.isEmpty())
            continue;
        QImageReader reader(view.picturePath); // a missing picture fails here too
        formats.insert(reader.format());
        QVERIFY2(!reader.read().isNull(), qPrintable(view.picturePath));
    }
    QCOMPARE(formats, (QSet<QByteArray>{"bmp", "ico", "gif", "jpeg"}));
    // What the maker publishes: nvpublish --check finds nothing.
    for (const publish::Finding &finding : publish::checkDataFolder(path({})).findings)
        QFAIL(qPrintable(finding.text()));
}

void TestSampleData::updateAndVersionFilesMatch()
{
    const UpdateList list = readUpdateList(regroupLocalList(read(u"update.dat"_s)));
    QVERIFY(list.readable);
    QVERIFY(list.entries.size() > 40);
    for (const UpdateEntry &entry : list.entries)
        QCOMPARE(QFile(path(DataFolder::safeName(entry.fileName))).size(), entry.size);
    const QString version = versionfile::firstField(read(u"vers.dat"_s));
    QCOMPARE(version.size(), versionfile::kVersionLength); // the checks compare nine
}

QTEST_MAIN(TestSampleData)
#include "tst_sampledata.moc"
