#pragma once

#include "appcontext.h"
#include "updatecheck.h"

#include <functional>

class HttpFetcher;
class QWidget;

// The version checks as a window runs them: fetched on the window's own transfer
// control, questions asked in message boxes over `parent`, pages opened in the browser.
// `cancelled` (optional) stops further transfers once the window is on its way out.
updatecheck::Hooks windowCheckHooks(HttpFetcher &fetcher, const AppContext &context,
                                    QWidget *parent, std::function<bool()> cancelled = {});

updatecheck::Urls checkUrls(const Endpoints &endpoints);
