#pragma once

#include "datafolder.h"
#include "filedialog.h"
#include "launch.h"
#include "messagebox.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

// What the window tests share: each test gets a folder of its own with a data folder and
// a settings store, message boxes are answered and programs are not started for real,
// and every window is closed after the test.
class WindowTest : public QObject
{
protected:
    static void enableTestDoubles()
    {
        platform::messagetesting::enable();
        platform::filetesting::enable();
        platform::launchtesting::enable();
        testsupport::quietOffscreenWarnings();
    }

    // A fresh folder and store, with a data file of `records`.
    void freshFolder(const QList<QStringList> &records = {
                         testsupport::record(QStringLiteral("Bat"))})
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store =
            std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("settings.sqlite")));
        m_folder = DataFolder(m_dir->filePath(QStringLiteral("data")));
        testsupport::writeFile(m_folder.databaseFile(), testsupport::dataFile(records));
        platform::messagetesting::takeShown();
        platform::filetesting::takeAsked();
        platform::launchtesting::takeLaunched();
    }

    // Closes every window, again and again (closing one may open another), until none is
    // left; then no message may be left unchecked.
    static void closeAllWindows()
    {
        const auto anyLeft = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (QWidget *window : windows)
                window->close();
            return !windows.isEmpty();
        };
        QTRY_VERIFY(!anyLeft());
        QCOMPARE(platform::messagetesting::takeShown().size(), 0);
    }

    // The titles of the messages shown since the last call.
    static QStringList shownTitles()
    {
        QStringList titles;
        for (const auto &shown : platform::messagetesting::takeShown())
            titles.append(shown.title);
        return titles;
    }

    template <typename T = QWidget> static T *child(const QObject *window, const char *name)
    {
        T *found = window ? window->findChild<T *>(QString::fromLatin1(name)) : nullptr;
        if (!found)
            qFatal("no %s in the window", name);
        return found;
    }

    QString stored(const QString &section, const QString &key)
    {
        return m_store->get(section, key);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    DataFolder m_folder;
};
