#include "endpoints.h"

#include "datafolder.h"
#include "wholefile.h"

#include <QList>

namespace {

const QString kHost = QStringLiteral("https://www.quillmoor.example/");

QString defaultBrowser()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("explorer.exe");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("open");
#else
    return QStringLiteral("xdg-open");
#endif
}

} // namespace

Endpoints Endpoints::defaults()
{
    Endpoints e;
    e.programVersionUrl = kHost + QStringLiteral("monster.txt");
    e.databaseVersionUrl = kHost + QStringLiteral("monster/") + DataFolder::versionName();
    e.updateListUrl = kHost + QStringLiteral("monster/") + DataFolder::listName();
    e.downloadPageUrl = kHost + QStringLiteral("monster/download.html");
    e.feedbackUrl = kHost + QStringLiteral("send1.php");
    e.makerSiteUrl = kHost;
    e.programPageUrl = kHost + QStringLiteral("monster/");
    e.resourcePageUrl = QStringLiteral("https://www.norvalen-lore.example/");
    e.monsterListUrl = kHost + QStringLiteral("monster/list.txt");
    e.partnerSiteUrl1 = QStringLiteral("https://www.greymarch-guild.example/");
    e.partnerSiteUrl2 = QStringLiteral("https://www.norvalen-atlas.example/");
    e.partnerSiteUrl3 = QStringLiteral("https://www.tavernboard.example/");
    e.partnerSiteUrl4 = QStringLiteral("https://www.wyrmwatch.example/");
    e.ircChannelUrl = QStringLiteral("irc://irc.quillmoor.example/quillmoor");
    e.browserPath = defaultBrowser();
    return e;
}

Endpoints Endpoints::fromIni(QByteArrayView iniText, const Endpoints &base)
{
    Endpoints e = base;
    struct Key
    {
        const char *section;
        const char *key;
        QString Endpoints::*field;
    };
    static const Key keys[] = {
        {"endpoints", "programversionurl", &Endpoints::programVersionUrl},
        {"endpoints", "databaseversionurl", &Endpoints::databaseVersionUrl},
        {"endpoints", "updatelisturl", &Endpoints::updateListUrl},
        {"endpoints", "downloadpageurl", &Endpoints::downloadPageUrl},
        {"endpoints", "feedbackurl", &Endpoints::feedbackUrl},
        {"links", "makersiteurl", &Endpoints::makerSiteUrl},
        {"links", "programpageurl", &Endpoints::programPageUrl},
        {"links", "resourcepageurl", &Endpoints::resourcePageUrl},
        {"links", "monsterlisturl", &Endpoints::monsterListUrl},
        {"links", "partnersiteurl1", &Endpoints::partnerSiteUrl1},
        {"links", "partnersiteurl2", &Endpoints::partnerSiteUrl2},
        {"links", "partnersiteurl3", &Endpoints::partnerSiteUrl3},
        {"links", "partnersiteurl4", &Endpoints::partnerSiteUrl4},
        {"links", "ircchannelurl", &Endpoints::ircChannelUrl},
        {"browser", "browserpath", &Endpoints::browserPath},
    };

    QString section;
    const QString text = QString::fromUtf8(iniText);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.sliced(1, line.size() - 2).trimmed().toString().toLower();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed().toString().toLower();
        const QString value = line.sliced(equals + 1).trimmed().toString();
        for (const Key &k : keys) {
            if (section == QLatin1StringView(k.section) && key == QLatin1StringView(k.key))
                e.*k.field = value;
        }
    }
    return e;
}

Endpoints Endpoints::load(const QString &path, const Endpoints &base)
{
    const std::optional<QByteArray> bytes = wholefile::read(path, 1024 * 1024);
    return bytes ? fromIni(*bytes, base) : base;
}
