// The monster data file loader on any bytes: every record must split into its fields and
// decode for display without a fault.
#include "monstertable.h"
#include "recordview.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const MonsterTable table =
        MonsterTable::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QStringList names = table.listTexts();
    if (names.size() != table.size())
        __builtin_trap();
    for (qsizetype r = 0; r < table.size(); ++r)
        viewOf(table.row(r), DataFolder(QStringLiteral("/data/")));
    return 0;
}
