#pragma once

#include "engine/requestscheduler.h"
#include "webengine/webenginebrowser.h"

class MainState;

// The browser the programs run, and the real-engine tests with them: the request scheduler over the engine.
// The run talks to `browser`; `engine` is there for what only the engine has (its view size, its network
// log, its pages).
struct PageBrowser {
    PageBrowser(EventPump& pump, Clock& clock, const MainState& state, std::function<double()> jitter = {})
        : engine(pump, clock), browser(engine, clock, state, std::move(jitter)) {}

    WebEngineBrowser engine;
    RequestScheduler browser;
};
