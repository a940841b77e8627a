// Where the data lives: a portable copy's own folder, or the user's folder filled from
// the installed data without undoing the user's own updates.
#include "dataseed.h"
#include "testsupport.h"
#include "updatelist.h"
#include "versionfile.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// A data folder ("name version, ...|database version"): its files with their versions in
// update.dat, and vers.dat.
void makeFolder(const QString &folder, const QString &contents)
{
    QList<UpdateEntry> entries;
    for (const QString &file : contents.section(u'|', 0, 0).split(u", "_s)) {
        const QString name = file.section(u' ', 0, 0), version = file.section(u' ', 1);
        writeFile(folder + name, file.toLatin1().replace(' ', " at "));
        entries.append({name, version, 10, u"https://www.quillmoor.example/"_s + name});
    }
    writeFile(folder + u"update.dat"_s, listText(entries).toLatin1());
    writeFile(folder + u"vers.dat"_s, '"' + contents.section(u'|', 1).toLatin1() + "\"\r\n");
}

// Each file the folder's update.dat names, in its order ("name version: what it holds"),
// then "|" and the database version.
QString listed(const QString &folder)
{
    QStringList files;
    for (const UpdateEntry &entry : readLocalListFile(folder + u"update.dat"_s))
        files.append(u"%1 %2: "_s.arg(entry.fileName, entry.version) +
                     QString::fromLatin1(readFile(folder + entry.fileName)));
    return files.join(u", "_s) + u'|' +
           versionfile::readLocalVersion(folder + u"vers.dat"_s).value_or(QString());
}

} // namespace

class TestDataSeed : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.emplace();
        m_portable = m_dir->filePath(u"bin/data/"_s);
        m_installed = m_dir->filePath(u"share/nvmonster/data/"_s);
        m_user = m_dir->filePath(u"home/.local/share/nvmonster/data/"_s);
    }

    // Which folder is read, and whether it may be updated. Which folders cannot be written
    // is told by the test, so that it holds for root too; a file name puts a folder where the
    // user's copy of it would go, so that it cannot be copied.
    void choosesWhereTheDataLives_data()
    {
        QTest::addColumn<bool>("portable"); // the executable has a data folder beside it
        QTest::addColumn<QStringList>("unwritable");
        QTest::addColumn<QString>("expected"); // the folder read, and whether it is updated
        QTest::newRow("read-only portable")
            << true << QStringList{u"portable"_s} << u"user, updated"_s;
        QTest::newRow("nothing writable")
            << true << QStringList{u"portable"_s, u"user"_s} << u"portable, read-only"_s;
        QTest::newRow("installed, user's folder unwritable")
            << false << QStringList{u"user"_s} << u"installed, read-only"_s;
        QTest::newRow("database cannot be copied")
            << false << QStringList{u"cml.nmd"_s} << u"installed, read-only"_s;
        QTest::newRow("a picture cannot be copied")
            << false << QStringList{u"a.gif"_s} << u"user, updated"_s;
    }
    void choosesWhereTheDataLives()
    {
        QFETCH(bool, portable);
        QFETCH(QStringList, unwritable);
        QFETCH(QString, expected);
        for (const QString &folder :
             portable ? QStringList{m_installed, m_portable} : QStringList{m_installed})
            makeFolder(folder, u"cml.nmd 3, a.gif 3|2026.1206"_s);
        for (const QString &file : unwritable.filter(u"."_s))
            QDir().mkpath(m_user + file); // a folder where the copy would go
        const QMap<QString, QString> names{
            {m_portable, u"portable"_s}, {m_installed, u"installed"_s}, {m_user, u"user"_s}};
        const dataseed::Prepared prepared =
            dataseed::prepare({DataFolder(m_portable), DataFolder(m_installed), DataFolder(m_user)},
                              [&](const QString &folder) {
                                  return unwritable.contains(names[folder])
                                             ? u"not writable"_s
                                             : dataseed::whyNotWritable(folder);
                              });
        QCOMPARE(names[prepared.dataDir.path()] +
                     (prepared.notWritable.isEmpty() ? u", updated"_s : u", read-only"_s),
                 expected);
    }

    // The installation replaces the user's files only when its database is newer, or the
    // file is missing: file versions of two histories (the installation's and the web
    // site's) say nothing about each other.
    void seedsByTheDatabaseVersion_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("user"); // empty: the first start
        QTest::addColumn<QString>("expected");
        const QString owl = u"cml.nmd 3, pics/owl.gif 3|2026.1206"_s;
        const QString owlSeeded =
            u"cml.nmd 3: cml.nmd at 3, pics/owl.gif 3: pics/owl.gif at 3|2026.1206"_s;
        QTest::newRow("first start") << owl << QString() << owlSeeded;
        QTest::newRow("older installation, a file missing")
            << owl << u"cml.nmd 2|2099.0101"_s
            << u"cml.nmd 2: cml.nmd at 2, pics/owl.gif 3: pics/owl.gif at 3|2099.0101"_s;
        QTest::newRow("newer installation") << u"cml.nmd 4, a.gif 4, b.gif beta|2026.1207"_s
                                            << u"cml.nmd 3, a.gif 5, b.gif 3|2026.1206"_s
                                            << u"cml.nmd 4: cml.nmd at 4, a.gif 4: a.gif at 4, "
                                               "b.gif beta: b.gif at beta|2026.1207"_s;
        QTest::newRow("database versions no numbers")
            << u"cml.nmd 4|2026.12b"_s << u"cml.nmd 3|2026.12a"_s
            << u"cml.nmd 3: cml.nmd at 3|2026.12a"_s;
    }
    void seedsByTheDatabaseVersion()
    {
        QFETCH(QString, installed);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        makeFolder(m_installed, installed);
        if (!user.isEmpty())
            makeFolder(m_user, user);
        QVERIFY(seed().failed.isEmpty());
        QCOMPARE(listed(m_user), expected);
    }

    // A file of a newer installation that cannot be copied holds the database version
    // back, and the user's own files (named by no list of theirs) stay.
    void failedCopyHoldsTheVersionBack()
    {
        makeFolder(m_user, u"cml.nmd 3, c.gif 3|2026.1206"_s);
        writeFile(m_user + u"mine.txt"_s, "the user's own");
        makeFolder(m_installed, u"cml.nmd 4, c.gif 4, mine.txt 4|2026.1207"_s);
        QFile::remove(m_user + u"c.gif"_s);
        QDir().mkpath(m_user + u"c.gif"_s); // a folder: it cannot be replaced

        QCOMPARE(seed().failed, QStringList{u"c.gif"_s});
        QCOMPARE(listed(m_user), u"cml.nmd 4: cml.nmd at 4, c.gif 3: |2026.1206"_s);
        QCOMPARE(readFile(m_user + u"mine.txt"_s), QByteArray("the user's own"));

        // Once the copy can be made, the database version moves on.
        QVERIFY(QDir(m_user + u"c.gif"_s).removeRecursively());
        seed();
        QCOMPARE(listed(m_user), u"cml.nmd 4: cml.nmd at 4, c.gif 4: c.gif at 4|2026.1207"_s);
    }

private:
    dataseed::SeedResult seed() const
    {
        return dataseed::seed(DataFolder(m_installed), DataFolder(m_user));
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_portable;
    QString m_installed;
    QString m_user;
};

QTEST_GUILESS_MAIN(TestDataSeed)
#include "tst_dataseed.moc"
