// The CSV reader on any bytes, and the notes import over it: whatever reads as a table
// must come back the same once written and read again.
#include "csv.h"
#include "notesfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const csv::Table table = csv::read(bytes);
    if (table.rows.size() != table.lines.size() || (!table.error.isEmpty() && !table.rows.isEmpty()) ||
        (table.error.isEmpty() && csv::read(csv::write(table.rows)).rows != table.rows))
        __builtin_trap();
    const notesfile::ImportPlan plan = notesfile::planImport(bytes, {{QStringLiteral("a"), 1, {}}});
    if (!plan.error.isEmpty() && !(plan.add.empty() && plan.same.empty() && plan.differ.empty()))
        __builtin_trap();
    return 0;
}
