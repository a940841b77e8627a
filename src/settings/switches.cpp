#include "switches.h"

#include "settingsstore.h"

bool switchIsOn(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value == 1.0;
}

void fillDefaultSwitches(SettingsStore &store)
{
    using namespace settingkeys;
    for (const QString &key : {kSearch, kUnavailable, kProgUpdates, kDbUpdates, kSavePosition}) {
        if (store.get(kSettings, key).isEmpty())
            store.save(kSettings, key, QStringLiteral("1"));
    }
}
