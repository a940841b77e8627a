#include "settingsstore.h"
#include "switches.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;
using Entries = QHash<QString, QString>; // key, value

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void roundTripsAwkwardKeysAndValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("separators, padding, line breaks")
            << u"  C:\\Wolf/Dire, [notes]\r\nkey=value  "_s << u"  a\r\nb\r\n\r\n  "_s;
        QTest::newRow("non-latin, quotes") << u"Ogre’s \"x\" 漢; DROP"_s << u"€ — …'; --"_s;
        QTest::newRow("empty value") << u"Bat"_s << QString();
    }
    // Two running copies of the program: what one saves the other reads at once. Keys are
    // case-sensitive and sections separate.
    void roundTripsAwkwardKeysAndValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        SettingsStore store(storePath()), other(storePath());
        QCOMPARE(other.get(u"notes"_s, key), QString());
        QVERIFY(store.save(u"notes"_s, key, u"first"_s));
        QCOMPARE(other.get(u"notes"_s, key), u"first"_s);
        QVERIFY(store.save(u"notes"_s, key, value));
        QVERIFY(store.save(u"notes"_s, key.toLower(), u"lower"_s));
        QVERIFY(store.save(u"settings"_s, key, u"other section"_s));
        QCOMPARE(store.get(u"notes"_s, key), value);
        QCOMPARE(other.entries(u"notes"_s), (Entries{{key, value}, {key.toLower(), u"lower"_s}}));
    }

    // Another program holds the database: no save waits, what is typed meanwhile is kept and
    // read back, the problem is told once a retry fails too, and everything arrives when the
    // lock goes.
    void lockedStoreKeepsEverySaveAndWaitsForNone()
    {
        SettingsStore store(storePath());
        QVERIFY(store.save(u"notes"_s, u"Bat"_s, u"first note"_s));
        QStringList problems;
        store.setProblemHandler([&problems](const QString &problem) { problems.append(problem); });
        sqlite3 *holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(storePath()).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

        QVERIFY(!store.save(u"notes"_s, u"Wolf"_s, u"howls"_s)); // kept beside Bat's
        QElapsedTimer typing;
        typing.start();
        const QString typed = u"second note"_s;
        for (qsizetype i = 1; i <= typed.size(); ++i) {
            QVERIFY(!store.save(u"notes"_s, u"Bat"_s, typed.first(i)));
            QCOMPARE(store.get(u"notes"_s, u"Bat"_s), typed.first(i));
        }
        // Eleven saves that each waited on the lock would take seconds; a loaded machine may
        // stretch the few milliseconds each is allowed, so the bound is generous.
        QVERIFY2(typing.elapsed() < 1000, qPrintable(QString::number(typing.elapsed())));
        QCOMPARE(store.entries(u"notes"_s).value(u"Bat"_s), typed);
        QTRY_COMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(u"locked"_s), qPrintable(problems[0]));

        QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        QTRY_COMPARE(store.pendingCount(), 0);
        QCOMPARE(problems, (QStringList{problems[0], QString()}));
        QCOMPARE(SettingsStore(storePath()).entries(u"notes"_s),
                 (Entries{{u"Bat"_s, typed}, {u"Wolf"_s, u"howls"_s}}));
    }

    // A file where the folder should be, and a database that is not one: the store can be
    // neither created nor written, keeps what is typed and says why. A read of the one is of
    // nothing stored; of the other it fails, which is not the same as an empty note.
    void unwritableStoreKeepsGoing()
    {
        testsupport::writeFile(m_dir->filePath(u"blocked"_s), "not a folder");
        testsupport::writeFile(m_dir->filePath(u"garbage.sqlite"_s), QByteArray(4096, 'x'));
        for (const QString &path : {u"blocked/nvmonster/settings.sqlite"_s, u"garbage.sqlite"_s}) {
            SettingsStore store(m_dir->filePath(path));
            QVERIFY(!store.save(u"notes"_s, u"Bat"_s, u"typed"_s));
            QCOMPARE(store.get(u"notes"_s, u"Bat"_s), u"typed"_s);
            QVERIFY(store.read(u"notes"_s, u"Ant"_s) ==
                        (path.startsWith(u"blocked"_s) ? std::optional(QString()) : std::nullopt) &&
                    store.readOnly());
            QTRY_VERIFY(store.problem().contains(path.section(u'/', 0, 0)));
        }
    }

    // Only a text that reads as the number 1 is on; the defaults fill empty switches only.
    void switches()
    {
        for (const QString &on : {u"1"_s, u"1.0"_s, u" 1 "_s})
            QVERIFY2(switchIsOn(on), qPrintable(on));
        for (const QString &off : {u"0"_s, u"2"_s, QString(), u"yes"_s})
            QVERIFY2(!switchIsOn(off), qPrintable(off));
        SettingsStore store(storePath());
        store.save(u"settings"_s, u"progupdates"_s, u"0"_s);
        fillDefaultSwitches(store);
        QCOMPARE(store.get(u"settings"_s, u"progupdates"_s), u"0"_s);
        for (const char16_t *key : {u"search", u"unavailable", u"dbupdates", u"saveposition"})
            QCOMPARE(store.get(u"settings"_s, QString::fromUtf16(key)), u"1"_s);
    }

private:
    QString storePath() const { return m_dir->filePath(u"cfg/nvmonster/settings.sqlite"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
