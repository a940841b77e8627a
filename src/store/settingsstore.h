#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QTimer;
struct sqlite3;
struct sqlite3_stmt;

// The per-user store of everything the program remembers between runs: option
// switches, the main window's position, notes and the feedback sender. Values are text
// addressed by section and key; a key never written reads as the empty text.
//
// Backed by an SQLite database so that any text can be a key (monster names hold "/",
// "=", "[" and line breaks) and so that two running copies of the program can share it:
// WAL journal, every save committed at once. The window that saves never waits on the
// store for more than a few milliseconds: a save that cannot be written now (another
// program holds the database, the disk is full) is kept, read back from memory, and
// written when the store can take it again.
//
// A store that cannot be written at all (a read-only folder, a disk too full to open it)
// is read as it is, read-only, and told as a problem at once; it is tried again for writing
// until it can be written. A read that fails is told apart from a key never written.
class SettingsStore
{
public:
    // `filePath` is the database file; its folder is created when missing.
    explicit SettingsStore(QString filePath);
    // Writes what is still kept, waiting a little for a lock to go.
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // nvmonster/settings.sqlite under the per-user configuration folder.
    static QString defaultPath();

    // The empty text also when the store cannot be read.
    QString get(const QString &section, const QString &key);
    // Nothing when the store cannot be read now (readFailure() says why).
    std::optional<QString> read(const QString &section, const QString &key);
    // False when the value could not be written yet; it is kept and written later.
    bool save(const QString &section, const QString &key, const QString &value);
    // Every key of a section with its value, read at once (all notes for a search). `ok`
    // tells whether all could be read (readFailure() says why not).
    QHash<QString, QString> entries(const QString &section, bool *ok = nullptr);

    QString filePath() const { return m_path; }
    // Saves kept because they could not be written yet.
    qsizetype pendingCount() const { return m_pending.size(); }
    // Why the store cannot be written, when it could not be for a while; empty otherwise.
    QString problem() const { return m_problem; }
    // The store can be read but not written (problem() says why).
    bool readOnly() const { return m_readOnly; }
    // Why the last read failed.
    QString readFailure() const { return m_readFailure; }

    // Told of every change of problem(): its reason when writing has failed again on a
    // later try, and the empty text once everything kept has been written.
    void setProblemHandler(std::function<void(const QString &problem)> handler);

    // Tries to write what is kept; true when nothing is kept any more.
    bool writePending();

private:
    struct Pending
    {
        QString section;
        QString key;
        QString value;
    };

    bool open(int flags, const QByteArray &name);
    bool ensureOpen();
    bool ensureReadable();
    void close();
    QString failure(int rc) const;
    int write(const Pending &entry);
    void keep(Pending entry);
    void setProblem(const QString &problem);
    void retry();

    QString m_path;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;
    sqlite3_stmt *m_upsert = nullptr;
    QString m_openFailure;
    QString m_readFailure;
    bool m_readOnly = false;
    QList<Pending> m_pending;
    QString m_lastFailure;
    QString m_problem;
    std::function<void(const QString &)> m_problemHandler;
    std::unique_ptr<QTimer> m_retry;
};
