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

// A data folder: its files with their versions in update.dat, and vers.dat.
void makeFolder(const QString &folder, const QList<std::pair<QString, QString>> &files,
                const QByteArray &databaseVersion)
{
    QList<UpdateEntry> entries;
    for (const auto &[name, version] : files) {
        writeFile(folder + name, name.toLatin1() + " at " + version.toLatin1());
        entries.append({name, version, 10, u"https://www.quillmoor.example/"_s + name});
    }
    writeFile(folder + u"update.dat"_s, listText(entries).toLatin1());
    writeFile(folder + u"vers.dat"_s, '"' + databaseVersion + "\"\r\n");
}

QString versionOf(const QString &folder, const QString &name)
{
    const UpdateList list = readUpdateList(regroupLocalList(readFile(folder + u"update.dat"_s)));
    for (const UpdateEntry &entry : list.entries) {
        if (entry.fileName == name)
            return entry.version;
    }
    return {};
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

    void choosesTheWritablePortableFolder()
    {
        const QString portable = m_dir->filePath(u"bin/data/"_s);
        const dataseed::Locations where{DataFolder(portable), DataFolder(m_installed),
                                        DataFolder(m_user)};
        // No portable folder: the user's, filled from the installation.
        QCOMPARE(dataseed::choose(where).dataDir, DataFolder(m_user));
        QCOMPARE(dataseed::choose(where).seedFrom, DataFolder(m_installed));

        QDir().mkpath(portable);
        QCOMPARE(dataseed::choose(where).dataDir, DataFolder(portable));
        QVERIFY(dataseed::choose(where).seedFrom.isNull());

        if (geteuid() == 0)
            QSKIP("root writes to read-only folders");
        QFile::setPermissions(portable, QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(dataseed::choose(where).dataDir, DataFolder(m_user));
        QCOMPARE(dataseed::choose(where).seedFrom,
                 DataFolder(portable)); // a read-only portable copy
    }

    void firstStartCopiesEverything()
    {
        makeFolder(m_installed, {{u"cml.nmd"_s, u"3"_s}, {u"pics/owl.gif"_s, u"3"_s}}, "2026.1206");
        writeFile(m_installed + u"unlisted.txt"_s, "x");

        const dataseed::SeedResult first =
            dataseed::seed(DataFolder(m_installed), DataFolder(m_user));
        QCOMPARE(first.failed, QStringList());
        QCOMPARE(first.copied.size(), 3);
        for (const QString &name : {u"cml.nmd"_s, u"pics/owl.gif"_s, u"unlisted.txt"_s})
            QCOMPARE(readFile(m_user + name), readFile(m_installed + name));
        QCOMPARE(versionOf(m_user, u"pics/owl.gif"_s), u"3"_s);
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1206\"\r\n"));

        // The next start finds nothing to do.
        QCOMPARE(dataseed::seed(DataFolder(m_installed), DataFolder(m_user)).copied, QStringList());
    }

    void newerInstallKeepsTheUsersNewerFiles()
    {
        makeFolder(m_user, {{u"cml.nmd"_s, u"3"_s}, {u"a.gif"_s, u"5"_s}, {u"b.gif"_s, u"beta"_s}},
                   "2026.1206");
        writeFile(m_user + u"mine.txt"_s, "the user's own");
        makeFolder(m_installed,
                   {{u"cml.nmd"_s, u"4"_s},
                    {u"a.gif"_s, u"4"_s},
                    {u"b.gif"_s, u"4"_s},
                    {u"new.gif"_s, u"4"_s},
                    {u"mine.txt"_s, u"4"_s}},
                   "2026.1207");

        const dataseed::SeedResult result =
            dataseed::seed(DataFolder(m_installed), DataFolder(m_user));
        QCOMPARE(result.failed, QStringList());
        QStringList copied = result.copied;
        copied.sort();
        QCOMPARE(copied, (QStringList{u"cml.nmd"_s, u"new.gif"_s}));
        QCOMPARE(readFile(m_user + u"cml.nmd"_s), QByteArray("cml.nmd at 4"));
        QCOMPARE(versionOf(m_user, u"cml.nmd"_s), u"4"_s);
        QCOMPARE(versionOf(m_user, u"new.gif"_s), u"4"_s);
        // Updated past the installation, of a version that is no number, not listed:
        // all the user's.
        QCOMPARE(readFile(m_user + u"a.gif"_s), QByteArray("a.gif at 5"));
        QCOMPARE(versionOf(m_user, u"a.gif"_s), u"5"_s);
        QCOMPARE(readFile(m_user + u"b.gif"_s), QByteArray("b.gif at beta"));
        QCOMPARE(readFile(m_user + u"mine.txt"_s), QByteArray("the user's own"));
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1207\"\r\n"));
    }

    void olderInstallChangesNothing()
    {
        makeFolder(m_user, {{u"cml.nmd"_s, u"5"_s}}, "2026.1208");
        const QByteArray list = readFile(m_user + u"update.dat"_s);
        makeFolder(m_installed, {{u"cml.nmd"_s, u"4"_s}}, "2026.1207");

        QCOMPARE(dataseed::seed(DataFolder(m_installed), DataFolder(m_user)).copied, QStringList());
        QCOMPARE(readFile(m_user + u"update.dat"_s), list);
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1208\"\r\n"));
    }

    void aFailedCopyClaimsNothing()
    {
        makeFolder(m_user, {{u"cml.nmd"_s, u"3"_s}, {u"a.gif"_s, u"3"_s}}, "2026.1206");
        makeFolder(m_installed, {{u"cml.nmd"_s, u"4"_s}, {u"a.gif"_s, u"4"_s}}, "2026.1207");
        // A folder where the file should go: it cannot be replaced.
        QFile::remove(m_user + u"a.gif"_s);
        QDir().mkpath(m_user + u"a.gif"_s);

        const dataseed::SeedResult result =
            dataseed::seed(DataFolder(m_installed), DataFolder(m_user));
        QCOMPARE(result.failed, QStringList{u"a.gif"_s});
        QCOMPARE(versionOf(m_user, u"cml.nmd"_s), u"4"_s);
        QCOMPARE(versionOf(m_user, u"a.gif"_s), u"3"_s);
        // Not the whole new database: vers.dat stays, so an update still offers it.
        QCOMPARE(readFile(m_user + u"vers.dat"_s), QByteArray("\"2026.1206\"\r\n"));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_installed;
    QString m_user;
};

QTEST_GUILESS_MAIN(TestDataSeed)
#include "tst_dataseed.moc"
