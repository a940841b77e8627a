#include "checkhooks.h"

#include "browser.h"
#include "httpfetcher.h"
#include "messagebox.h"
#include "versionfile.h"

updatecheck::Hooks windowCheckHooks(HttpFetcher &fetcher, const AppContext &context,
                                    QWidget *parent, std::function<bool()> cancelled)
{
    updatecheck::Hooks hooks;
    hooks.fetchText = [&fetcher, cancelled](const QString &url) -> std::optional<QString> {
        if (cancelled && cancelled())
            return std::nullopt;
        const FetchResult result = fetcher.fetch(QUrl(url));
        if (!result.ok)
            return std::nullopt;
        return HttpFetcher::text(result);
    };
    hooks.askYesNo = [parent](const QString &title, const QString &prompt) {
        return platform::showMessage(parent, title, prompt, platform::Buttons::YesNo) ==
               platform::Answer::Yes;
    };
    const QString browser = context.endpoints.browserPath;
    hooks.openPage = [browser, parent](const QString &url) {
        platform::openPage(browser, url, parent);
    };
    const QString versionFile = context.dataFolder.versionFile();
    hooks.localDatabaseVersion = [versionFile] {
        return versionfile::readLocalVersion(versionFile);
    };
    return hooks;
}

updatecheck::Urls checkUrls(const Endpoints &endpoints)
{
    return {endpoints.programVersionUrl, endpoints.databaseVersionUrl, endpoints.downloadPageUrl};
}
