#pragma once

#include <QHash>
#include <QString>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The per-user store of everything the program remembers between runs: option
// switches, the main window's position, notes and the feedback sender. Values are text
// addressed by section and key; a key never written reads as the empty text.
//
// Backed by an SQLite database so that any text can be a key (monster names hold "/",
// "=", "[" and line breaks) and so that two running copies of the program can share it:
// WAL journal, a busy time-out, every save committed at once. Nothing is cached.
class SettingsStore
{
public:
    // `filePath` is the database file; its folder is created when missing.
    explicit SettingsStore(QString filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // nvmonster/settings.sqlite under the per-user configuration folder.
    static QString defaultPath();

    QString get(const QString &section, const QString &key);
    bool save(const QString &section, const QString &key, const QString &value);
    // Every key of a section with its value, read at once (all notes for a search).
    QHash<QString, QString> entries(const QString &section);

    bool isOpen() const { return m_db != nullptr; }
    QString filePath() const { return m_path; }
    QString lastError() const { return m_lastError; }

    // Called once, on the first failure to open or write the store, with the reason.
    // Later failures are only kept in lastError(), so the user is told once per run.
    void setFailureHandler(std::function<void(const QString &reason)> handler);

private:
    bool ensureOpen();
    void close();
    void fail(const QString &reason);

    QString m_path;
    QString m_lastError;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;
    sqlite3_stmt *m_upsert = nullptr;
    std::function<void(const QString &)> m_failureHandler;
    bool m_failureReported = false;
};
