#include "datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

DataFolder::DataFolder(const QString &path)
    : m_path(path)
{
    if (!m_path.isEmpty() && !m_path.endsWith(u'/'))
        m_path += u'/';
}

QString DataFolder::databaseName()
{
    return QStringLiteral("cml.nmd");
}

QString DataFolder::versionName()
{
    return QStringLiteral("vers.dat");
}

QString DataFolder::listName()
{
    return QStringLiteral("update.dat");
}

QString DataFolder::safeName(QStringView name)
{
    if (name.isEmpty() || name.contains(u':') || name.contains(u'"'))
        return {};
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return {};
    }
    QString safe = name.toString();
    safe.replace(u'\\', u'/');
    // A leading separator leaves an empty first part, so the root is caught here too.
    for (const QStringView part : QStringView(safe).split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return {};
    }
    // Downloading over the list or the version file would corrupt the next check.
    if (safe == listName() || safe == versionName())
        return {};
    return safe;
}

QString DataFolder::file(QStringView name) const
{
    const QString safe = safeName(name);
    return safe.isEmpty() ? QString() : m_path + safe;
}

namespace {

// The path with every link on the way followed: the nearest part that exists resolved, the
// parts below it as they are. Empty for a link that leads nowhere, since what would be
// made through it could land anywhere.
QString realPath(const QString &path)
{
    QFileInfo existing(QDir::cleanPath(QDir(path).absolutePath()));
    QString below;
    while (!existing.exists()) {
        if (existing.isSymLink())
            return {};
        below = u'/' + existing.fileName() + below;
        const QString parent = existing.path();
        if (parent == existing.filePath())
            return {};
        existing = QFileInfo(parent);
    }
    return existing.canonicalFilePath() + below;
}

} // namespace

bool DataFolder::holds(const QString &path) const
{
    const QString root = realPath(m_path);
    const QString real = path.isEmpty() ? QString() : realPath(path);
    return !root.isEmpty() && !real.isEmpty() && real.startsWith(root + u'/');
}
