// Where the data lives: a portable copy's own folder, or the user's folder filled from
// the installed data without undoing the user's own updates.
#include "dataseed.h"
#include "testsupport.h"
#include "updatelist.h"

#include <QTemporaryDir>
#include <unistd.h>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// A data folder: its files ("name version, ...") with their versions in update.dat, and
// vers.dat.
void makeFolder(const QString &folder, const QString &files, const QByteArray &databaseVersion)
{
    QList<UpdateEntry> entries;
    for (const QString &file : files.split(u", "_s)) {
        const QString name = file.section(u' ', 0, 0), version = file.section(u' ', 1);
        writeFile(folder + name, file.toLatin1().replace(' ', " at "));
        entries.append({name, version, 10, u"https://www.quillmoor.example/"_s + name});
    }
    writeFile(folder + u"update.dat"_s, listText(entries).toLatin1());
    writeFile(folder + u"vers.dat"_s, '"' + databaseVersion + "\"\r\n");
}

// Each file the folder's update.dat names, in its order: "name version: what it holds".
QStringList listed(const QString &folder)
{
    QStringList files;
    for (const UpdateEntry &entry : readLocalListFile(folder + u"update.dat"_s))
        files.append(u"%1 %2: "_s.arg(entry.fileName, entry.version) +
                     QString::fromLatin1(readFile(folder + entry.fileName)));
    return files;
}

} // namespace

class TestDataSeed : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.emplace();
        m_installed = m_dir->filePath(u"share/nvmonster/data/"_s);
        m_user = m_dir->filePath(u"home/.local/share/nvmonster/data/"_s);
    }

    // A portable copy whose data folder is read-only works in the user's folder, filled from
    // its own. (An installed copy and a writable portable one run in tst_install and
    // tst_publishroundtrip.)
    void readOnlyPortableFolderFillsTheUsersFolder()
    {
        if (geteuid() == 0)
            QSKIP("root writes to read-only folders");
        const QString portable = m_dir->filePath(u"bin/data/"_s);
        QDir().mkpath(portable);
        QFile::setPermissions(portable, QFile::ReadOwner | QFile::ExeOwner);
        const dataseed::Choice choice =
            dataseed::choose({DataFolder(portable), DataFolder(m_installed), DataFolder(m_user)});
        QCOMPARE(choice.dataDir.path() + u" from "_s + choice.seedFrom.path(),
                 m_user + u" from "_s + portable);
    }

    // The first start copies everything; the next finds nothing to do, and an older
    // installation changes nothing. A newer one replaces only missing and older files.
    void seedsTheUsersFolderOverInstallations()
    {
        makeFolder(m_installed, u"cml.nmd 3, pics/owl.gif 3"_s, "2026.1206");
        writeFile(m_installed + u"unlisted.txt"_s, "x");

        QCOMPARE(seed().copied, (QStringList{u"cml.nmd"_s, u"pics/owl.gif"_s, u"unlisted.txt"_s}));
        QCOMPARE(listed(m_user), (QStringList{u"cml.nmd 3: cml.nmd at 3"_s,
                                              u"pics/owl.gif 3: pics/owl.gif at 3"_s}));

        // The next start finds nothing to do, and an older installation changes nothing (the
        // first start's vers.dat stays).
        QCOMPARE(seed().copied, QStringList());
        makeFolder(m_installed, u"cml.nmd 2"_s, "2026.1205");
        QCOMPARE(seed().copied, QStringList());
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1206\"\r\n"));

        // The user's updates and own files meanwhile.
        makeFolder(m_user, u"cml.nmd 3, a.gif 5, b.gif beta, c.gif 3"_s, "2026.1206");
        writeFile(m_user + u"mine.txt"_s, "the user's own");
        makeFolder(m_installed, u"cml.nmd 4, a.gif 4, b.gif 4, c.gif 4, new.gif 4, mine.txt 4"_s,
                   "2026.1207");
        // A folder where c.gif should go: it cannot be replaced.
        QFile::remove(m_user + u"c.gif"_s);
        QDir().mkpath(m_user + u"c.gif"_s);

        const dataseed::SeedResult result = seed();
        QCOMPARE(result.copied, (QStringList{u"cml.nmd"_s, u"new.gif"_s}));
        QCOMPARE(result.failed, QStringList{u"c.gif"_s});
        // Updated past the installation, of a version that is no number, not listed: all
        // the user's. The failed copy is claimed nowhere, and vers.dat stays, so that an
        // update still offers the new database.
        QCOMPARE(listed(m_user),
                 (QStringList{u"cml.nmd 4: cml.nmd at 4"_s, u"a.gif 5: a.gif at 5"_s,
                              u"b.gif beta: b.gif at beta"_s, u"c.gif 3: "_s,
                              u"new.gif 4: new.gif at 4"_s}));
        QCOMPARE(readFile(m_user + u"mine.txt"_s), QByteArray("the user's own"));
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1206\"\r\n"));

        // Once the copy can be made, the database version moves on.
        QVERIFY(QDir(m_user + u"c.gif"_s).removeRecursively());
        QCOMPARE(seed().copied, QStringList{u"c.gif"_s});
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1207\"\r\n"));
    }

private:
    dataseed::SeedResult seed() const
    {
        return dataseed::seed(DataFolder(m_installed), DataFolder(m_user));
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_installed;
    QString m_user;
};

QTEST_GUILESS_MAIN(TestDataSeed)
#include "tst_dataseed.moc"
