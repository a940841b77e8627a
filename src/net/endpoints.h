#pragma once

#include <QByteArrayView>
#include <QString>

// Where the program talks to: the maker's web server, and the browser that opens web
// pages. Built-in defaults, which optional nvmonster.ini files override key by key: the one
// beside the executable, then the user's (~/.config/nvmonster/, after XDG_CONFIG_HOME):
//
//   [endpoints]
//   ProgramVersionUrl=...   DatabaseVersionUrl=...   UpdateListUrl=...
//   DownloadPageUrl=...     FeedbackUrl=...
//   [links]                 (the About window's web links)
//   MakerSiteUrl=...        ProgramPageUrl=...       ResourcePageUrl=...
//   MonsterListUrl=...      PartnerSiteUrl1=... to PartnerSiteUrl4=...
//   IrcChannelUrl=...
//   [browser]
//   BrowserPath=...
struct Endpoints
{
    QString programVersionUrl;
    QString databaseVersionUrl;
    QString updateListUrl;
    QString downloadPageUrl;
    QString feedbackUrl;

    QString makerSiteUrl;
    QString programPageUrl;
    QString resourcePageUrl;
    QString monsterListUrl;
    QString partnerSiteUrl1;
    QString partnerSiteUrl2;
    QString partnerSiteUrl3;
    QString partnerSiteUrl4;
    QString ircChannelUrl;

    QString browserPath;

    static Endpoints defaults();

    // `base` (the defaults unless given) with the overrides of an INI text applied.
    // Section and key names are matched without regard to letter case; unknown ones are
    // ignored, as are lines that are not "key=value", "[section]" or comments (";" or "#").
    static Endpoints fromIni(QByteArrayView iniText, const Endpoints &base = defaults());

    // fromIni() on the file at `path`; `base` when there is no such file.
    static Endpoints load(const QString &path, const Endpoints &base = defaults());
};
