#pragma once

#include <QString>

namespace platform {

// The folder that holds the executable.
QString programFolder();

// The data folder beside the executable, ending with a separator.
QString dataDir();

} // namespace platform
