#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>
#include <sqlite3.h>

namespace {

// The longest the window waits for another program's lock; what cannot be written then is
// kept and tried again every kRetryMs.
constexpr int kBusyTimeoutMs = 5;
constexpr int kRetryMs = 500;
// At the end of a run what is still kept may wait a little longer for the lock to go.
constexpr int kClosingBusyTimeoutMs = 2000;
// Opening for writing takes room for the index of the log of saves (32 KiB) and more.
constexpr qint64 kRoomToOpen = 64 * 1024;

QString sqliteMessage(sqlite3 *db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

// Leaves the statement ready for its next use, whatever happened in this one.
struct StatementReset
{
    sqlite3_stmt *stmt;
    ~StatementReset()
    {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

} // namespace

SettingsStore::SettingsStore(QString filePath)
    : m_path(std::move(filePath))
    , m_retry(std::make_unique<QTimer>())
{
    m_retry->setInterval(kRetryMs);
    m_retry->callOnTimeout([this] { retry(); });
    ensureOpen();
}

SettingsStore::~SettingsStore()
{
    if (!m_pending.isEmpty() && ensureOpen()) {
        sqlite3_busy_timeout(m_db, kClosingBusyTimeoutMs);
        writePending();
    }
    close();
}

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nvmonster/settings.sqlite");
}

void SettingsStore::setProblemHandler(std::function<void(const QString &)> handler)
{
    m_problemHandler = std::move(handler);
}

QString SettingsStore::failure(int rc) const
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), sqliteMessage(m_db, rc));
}

void SettingsStore::close()
{
    sqlite3_finalize(m_select);
    sqlite3_finalize(m_upsert);
    sqlite3_close(m_db);
    m_select = m_upsert = nullptr;
    m_db = nullptr;
}

bool SettingsStore::open(int flags, const QByteArray &name)
{
    const bool writing = flags & SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(name.constData(), &m_db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        static const char kSetup[] = "PRAGMA journal_mode=WAL;"
                                     "PRAGMA synchronous=NORMAL;"
                                     "CREATE TABLE IF NOT EXISTS settings("
                                     " section TEXT NOT NULL, key TEXT NOT NULL,"
                                     " value TEXT NOT NULL, PRIMARY KEY(section, key));";
        if (writing)
            rc = sqlite3_exec(m_db, kSetup, nullptr, nullptr, nullptr);
    }
    // Preparing reads the schema, so a store that cannot be read fails here.
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v3(m_db, "SELECT value FROM settings WHERE section=?1 AND key=?2", -1,
                                SQLITE_PREPARE_PERSISTENT, &m_select, nullptr);
    if (rc == SQLITE_OK && writing)
        rc = sqlite3_prepare_v3(m_db,
                                "INSERT INTO settings(section, key, value) VALUES(?1, ?2, ?3)"
                                " ON CONFLICT(section, key) DO UPDATE SET value=excluded.value",
                                -1, SQLITE_PREPARE_PERSISTENT, &m_upsert, nullptr);
    // A file the system will not let us write is opened for reading only, without a word.
    if (rc == SQLITE_OK && writing && sqlite3_db_readonly(m_db, "main") == 1)
        rc = SQLITE_READONLY;
    if (rc != SQLITE_OK) {
        m_openFailure = failure(rc);
        close();
        return false;
    }
    return true;
}

bool SettingsStore::ensureOpen()
{
    if (m_db && !m_readOnly)
        return true;
    close(); // one that could only read, to be opened for writing now

    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        m_openFailure = QStringLiteral("The folder %1 cannot be created.")
                            .arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    if (!open(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, QFile::encodeName(m_path)))
        return false;
    if (std::exchange(m_readOnly, false) && m_pending.isEmpty()) {
        m_retry->stop();
        setProblem({});
    }
    return true;
}

bool SettingsStore::ensureReadable()
{
    if (m_db || ensureOpen())
        return true;
    // It cannot be written: say why at once, and read what it holds.
    if (!std::exchange(m_readOnly, true)) {
        const QFileInfo info(m_path);
        const QFileInfo folder(info.absolutePath());
        QString why = m_openFailure;
        if (folder.exists() && !folder.isWritable())
            why = QStringLiteral("The folder %1 cannot be written.")
                      .arg(QDir::toNativeSeparators(folder.filePath()));
        else if (info.exists() && !info.isWritable())
            why = QStringLiteral("The file %1 cannot be written.")
                      .arg(QDir::toNativeSeparators(m_path));
        else if (QStorageInfo(folder.filePath()).bytesAvailable() < kRoomToOpen)
            why = QStringLiteral("The disk that holds %1 is full.")
                      .arg(QDir::toNativeSeparators(folder.filePath()));
        if (QCoreApplication::instance())
            m_retry->start();
        setProblem(why);
    }
    if (!QFileInfo::exists(m_path))
        return true; // nothing stored yet
    // Its log of recent saves must be read with it, which takes a writable folder; without
    // one the file alone is the store only while no such log is left.
    const QByteArray path = QFile::encodeName(m_path);
    const QFileInfo log(m_path + QStringLiteral("-wal"));
    return open(SQLITE_OPEN_READONLY, path) ||
           ((!log.exists() || log.size() == 0) &&
            open(SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                 "file:" + QUrl::toPercentEncoding(m_path, "/") + "?immutable=1"));
}

QString SettingsStore::get(const QString &section, const QString &key)
{
    return read(section, key).value_or(QString());
}

std::optional<QString> SettingsStore::read(const QString &section, const QString &key)
{
    // What is kept is what the store will hold.
    for (auto it = m_pending.crbegin(); it != m_pending.crend(); ++it) {
        if (it->section == section && it->key == key)
            return it->value;
    }
    if (!ensureReadable()) {
        m_readFailure = m_openFailure;
        return std::nullopt;
    }
    if (!m_db)
        return QString();
    StatementReset reset{m_select};
    bindText(m_select, 1, section);
    bindText(m_select, 2, key);
    const int rc = sqlite3_step(m_select);
    if (rc == SQLITE_ROW)
        return columnText(m_select, 0);
    if (rc == SQLITE_DONE)
        return QString();
    m_readFailure = failure(rc);
    return std::nullopt;
}

QHash<QString, QString> SettingsStore::entries(const QString &section, bool *ok)
{
    QHash<QString, QString> all;
    sqlite3_stmt *stmt = nullptr;
    const bool readable = ensureReadable();
    int rc = readable && m_db
                 ? sqlite3_prepare_v2(m_db, "SELECT key, value FROM settings WHERE section=?1", -1,
                                      &stmt, nullptr)
                 : SQLITE_CANTOPEN;
    if (rc == SQLITE_OK) {
        bindText(stmt, 1, section);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            all.insert(columnText(stmt, 0), columnText(stmt, 1));
    }
    sqlite3_finalize(stmt);
    // A store with no file yet holds nothing, which is a whole answer.
    const bool whole = readable && (!m_db || rc == SQLITE_DONE);
    if (!whole)
        m_readFailure = readable ? failure(rc) : m_openFailure;
    if (ok)
        *ok = whole;
    for (const Pending &entry : std::as_const(m_pending)) {
        if (entry.section == section)
            all.insert(entry.key, entry.value);
    }
    return all;
}

bool SettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    Pending entry{section, key, value};
    // Once something is kept, later saves queue behind it, so that none overtakes another.
    if (m_pending.isEmpty()) {
        const int rc = ensureOpen() ? write(entry) : SQLITE_CANTOPEN;
        if (rc == SQLITE_DONE)
            return true;
        m_lastFailure = m_db ? failure(rc) : m_openFailure;
    }
    keep(std::move(entry));
    return writePending();
}

int SettingsStore::write(const Pending &entry)
{
    StatementReset reset{m_upsert};
    bindText(m_upsert, 1, entry.section);
    bindText(m_upsert, 2, entry.key);
    bindText(m_upsert, 3, entry.value);
    return sqlite3_step(m_upsert);
}

void SettingsStore::keep(Pending entry)
{
    m_pending.removeIf([&entry](const Pending &kept) {
        return kept.section == entry.section && kept.key == entry.key;
    });
    m_pending.append(std::move(entry));
    if (QCoreApplication::instance() && !m_retry->isActive())
        m_retry->start();
}

bool SettingsStore::writePending()
{
    if (m_pending.isEmpty() && !m_readOnly)
        return true;
    if (!ensureOpen()) {
        m_lastFailure = m_openFailure;
        return false;
    }
    // All at once or none, so that the order of the saves holds.
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (qsizetype i = 0; rc == SQLITE_OK && i < m_pending.size(); ++i) {
        rc = write(m_pending[i]);
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        m_lastFailure = failure(rc);
        // Whatever the failure left open goes, so the next try can begin again; with no
        // transaction open this does nothing.
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    m_pending.clear();
    m_retry->stop();
    setProblem({});
    return true;
}

void SettingsStore::retry()
{
    // A save that fails once is kept quietly; failing again it is a problem to tell. A store
    // that cannot be written at all has been told already, and is tried until it can be.
    if (!writePending() && !m_readOnly)
        setProblem(m_lastFailure);
}

void SettingsStore::setProblem(const QString &problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    if (m_problemHandler)
        m_problemHandler(problem);
}
