#pragma once

#include <QString>

class SettingsStore;

// What every window is given: the shared settings store and the data folder.
struct AppContext {
    SettingsStore *store = nullptr;
    // The program folder followed by "data/"; always ends with a separator.
    QString dataDir;
};
