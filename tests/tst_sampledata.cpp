// The bundled sample data is what a newcomer first sees: it must load whole, name
// pictures that all open, in every format, pass the publishing check, and come with
// update and version files that match.
#include "datafolder.h"
#include "monstertable.h"
#include "publish.h"
#include "recordview.h"
#include "testsupport.h"
#include "updatelist.h"
#include "versionfile.h"

#include <QImageReader>
#include <QSet>

using namespace Qt::StringLiterals;

class TestSampleData : public QObject
{
    Q_OBJECT
private slots:
    void loadsWholeAndPicturesOpen()
    {
        const MonsterTable table = MonsterTable::parse(testsupport::readFile(kData + u"cml.nmd"_s));

        QSet<QByteArray> formats;
        for (qsizetype r = 0; r < table.size(); ++r) {
            const RecordView view = viewOf(table.row(r), DataFolder(kData));
            QVERIFY(!view.text[MonsterRecord::Name].isEmpty());
            if (view.picturePath.isEmpty())
                continue;
            QImageReader reader(view.picturePath); // a missing picture fails here too
            formats.insert(reader.format());
            QVERIFY2(!reader.read().isNull(), qPrintable(view.picturePath));
        }
        QCOMPARE(formats, (QSet<QByteArray>{"bmp", "ico", "gif", "jpeg"}));
        // What the maker publishes: nvpublish --check finds nothing (no record split by a
        // comma, no name twice, no missing picture).
        for (const publish::Finding &finding : publish::checkDataFolder(kData).findings)
            QFAIL(qPrintable(finding.text()));

        const QList<UpdateEntry> list = readLocalListFile(kData + u"update.dat"_s);
        QVERIFY(list.size() > 40);
        for (const UpdateEntry &entry : list)
            QCOMPARE(QFile(kData + DataFolder::safeName(entry.fileName)).size(), entry.size);
        // The checks compare nine characters: all of them.
        QCOMPARE(versionfile::readLocalVersion(kData + u"vers.dat"_s).value_or(QString()).size(),
                 versionfile::kVersionLength);
    }

private:
    const QString kData = QStringLiteral(NV_SAMPLE_DATA_DIR);
};

QTEST_MAIN(TestSampleData)
#include "tst_sampledata.moc"
