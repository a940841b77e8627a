#pragma once

#include <QPointer>

namespace platform {

// Each window exists at most once: `make` builds and loads it when there is none (or the
// last one was closed and deleted); then it is shown and brought to the front.
template <typename Window, typename Make> Window *showOnce(QPointer<Window> &instance, Make make)
{
    if (!instance)
        instance = make();
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}

} // namespace platform
