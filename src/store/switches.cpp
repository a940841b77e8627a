#include "switches.h"

#include "settingsstore.h"

#include <cmath>
#include <optional>

namespace {

// The stored text as the number it holds; none for text that is no number.
std::optional<double> number(const QString &text)
{
    bool ok = false; // set by toDouble either way
    const double value = text.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

bool switchIsOn(const QString &text)
{
    return number(text) == 1.0;
}

int boxState(const QString &text)
{
    const std::optional<double> value = number(text);
    if (!value || !std::isfinite(*value))
        return 0;
    const double state = std::nearbyint(*value); // halves to even, as the store always did
    return state == 1 || state == 2 ? int(state) : 0;
}

bool fillAndReadSwitch(SettingsStore &store, const QString &key)
{
    if (store.get(settingkeys::kSettings, key).isEmpty())
        store.save(settingkeys::kSettings, key, QStringLiteral("1"));
    return switchIsOn(store.get(settingkeys::kSettings, key));
}

void fillDefaultSwitches(SettingsStore &store)
{
    using namespace settingkeys;
    for (const QString &key : {kSearch, kUnavailable, kProgUpdates, kDbUpdates, kSavePosition})
        fillAndReadSwitch(store, key);
}
