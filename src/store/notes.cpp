#include "notes.h"

#include "linebreaks.h"
#include "settingsstore.h"
#include "switches.h"

QString MonsterNotes::load(const QString &name) const
{
    if (name.isEmpty())
        return {};
    return linebreaks::toLf(m_store.get(settingkeys::kNotes, name));
}

bool MonsterNotes::save(const QString &name, const QString &boxText)
{
    if (name.isEmpty())
        return true;
    return m_store.save(settingkeys::kNotes, name, linebreaks::toCrLf(boxText));
}
