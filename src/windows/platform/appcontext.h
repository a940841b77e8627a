#pragma once

#include "datafolder.h"
#include "endpoints.h"

#include <QString>
#include <chrono>

class SettingsStore;

// What every window is given: the shared settings store, the data folder and the
// server's addresses.
struct AppContext
{
    SettingsStore *store = nullptr;
    DataFolder dataFolder;
    Endpoints endpoints = Endpoints::defaults();
    // The longest pause in a version check's transfer, and in a data file download
    // (zero: none, since a slow line must not break a long download).
    std::chrono::milliseconds checkTimeout{60000};
    std::chrono::milliseconds downloadTimeout{0};
};
