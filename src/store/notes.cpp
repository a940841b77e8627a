#include "notes.h"

#include "linebreaks.h"
#include "settingsstore.h"
#include "switches.h"

std::optional<QString> MonsterNotes::load(const QString &name) const
{
    if (name.isEmpty())
        return QString();
    const std::optional<QString> note = m_store.read(settingkeys::kNotes, name);
    return note ? std::optional(linebreaks::toLf(*note)) : std::nullopt;
}

bool MonsterNotes::save(const QString &name, const QString &boxText)
{
    if (name.isEmpty())
        return true;
    return m_store.save(settingkeys::kNotes, name, linebreaks::toCrLf(boxText));
}
