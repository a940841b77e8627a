#pragma once

#include "dataseed.h"

#include <QString>

namespace programfolder {

// The folder that holds the executable.
QString programFolder();

// The data folders the program may use: its own, the installed one and the user's.
dataseed::Locations dataLocations();

// The data folder to use this run, filled first from the installed data when it is the
// user's folder; always ends with a separator. `notWritable` is set to why updates cannot
// be stored there, or emptied.
DataFolder prepareDataDir(QString *notWritable = nullptr);

} // namespace programfolder
