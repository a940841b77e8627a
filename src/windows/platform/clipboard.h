#pragma once

#include <QString>

namespace platform {

// Empties the clipboard of every format, then puts `text` on it as plain text.
void copyText(const QString &text);

} // namespace platform
