#include "settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

QString sqliteMessage(sqlite3 *db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
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
{
    ensureOpen();
}

SettingsStore::~SettingsStore()
{
    close();
}

QString SettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/nvmonster/settings.sqlite");
}

void SettingsStore::setFailureHandler(std::function<void(const QString &)> handler)
{
    m_failureHandler = std::move(handler);
    if (!m_lastError.isEmpty() && !m_failureReported && m_failureHandler) {
        m_failureReported = true;
        m_failureHandler(m_lastError);
    }
}

void SettingsStore::fail(const QString &reason)
{
    m_lastError = reason;
    if (!m_failureReported && m_failureHandler) {
        m_failureReported = true;
        m_failureHandler(reason);
    }
}

void SettingsStore::close()
{
    sqlite3_finalize(m_select);
    sqlite3_finalize(m_upsert);
    sqlite3_close(m_db);
    m_select = m_upsert = nullptr;
    m_db = nullptr;
}

bool SettingsStore::ensureOpen()
{
    if (m_db)
        return true;

    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        fail(QStringLiteral("The folder %1 cannot be created.")
                 .arg(QDir::toNativeSeparators(info.absolutePath())));
        return false;
    }

    const QByteArray path = QFile::encodeName(m_path);
    int rc = sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        static const char kSetup[] = "PRAGMA journal_mode=WAL;"
                                     "PRAGMA synchronous=NORMAL;"
                                     "CREATE TABLE IF NOT EXISTS settings("
                                     " section TEXT NOT NULL, key TEXT NOT NULL,"
                                     " value TEXT NOT NULL, PRIMARY KEY(section, key));";
        rc = sqlite3_exec(m_db, kSetup, nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v3(m_db, "SELECT value FROM settings WHERE section=?1 AND key=?2", -1,
                                SQLITE_PREPARE_PERSISTENT, &m_select, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v3(m_db,
                                "INSERT INTO settings(section, key, value) VALUES(?1, ?2, ?3)"
                                " ON CONFLICT(section, key) DO UPDATE SET value=excluded.value",
                                -1, SQLITE_PREPARE_PERSISTENT, &m_upsert, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), sqliteMessage(m_db, rc));
        close();
        fail(reason);
        return false;
    }
    return true;
}

QString SettingsStore::get(const QString &section, const QString &key)
{
    if (!ensureOpen())
        return {};
    StatementReset reset{m_select};
    bindText(m_select, 1, section);
    bindText(m_select, 2, key);
    const int rc = sqlite3_step(m_select);
    if (rc == SQLITE_ROW) {
        const auto *text = static_cast<const char *>(sqlite3_column_blob(m_select, 0));
        return QString::fromUtf8(text, sqlite3_column_bytes(m_select, 0));
    }
    if (rc != SQLITE_DONE)
        m_lastError = sqliteMessage(m_db, rc);
    return {};
}

QHash<QString, QString> SettingsStore::entries(const QString &section)
{
    QHash<QString, QString> all;
    if (!ensureOpen())
        return all;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT key, value FROM settings WHERE section=?1", -1, &stmt,
                                nullptr);
    if (rc == SQLITE_OK) {
        bindText(stmt, 1, section);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto text = [stmt](int column) {
                return QString::fromUtf8(
                    static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                    sqlite3_column_bytes(stmt, column));
            };
            all.insert(text(0), text(1));
        }
    }
    if (rc != SQLITE_DONE)
        m_lastError = sqliteMessage(m_db, rc);
    sqlite3_finalize(stmt);
    return all;
}

bool SettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    if (!ensureOpen())
        return false;
    StatementReset reset{m_upsert};
    bindText(m_upsert, 1, section);
    bindText(m_upsert, 2, key);
    bindText(m_upsert, 3, value);
    const int rc = sqlite3_step(m_upsert);
    if (rc != SQLITE_DONE) {
        fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path),
                                          sqliteMessage(m_db, rc)));
        return false;
    }
    return true;
}
