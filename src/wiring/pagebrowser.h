#pragma once

#include "engine/requestscheduler.h"
#include "platform/host.h"
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

// A host over real pages, as both programs and the real-engine tests make it: the page browser over the
// given pump and clock, and the services given (the window's or the command line's, or fakes).
struct PagesHost {
    PagesHost(EventPump& pump, Clock& clock, const MainState& state, const HostServices& services,
              std::function<double()> jitter = {})
        : pages(pump, clock, state, std::move(jitter)),
          host{pages.browser,      services.dialogs,   pump,           clock,           services.settings,
               services.processes, services.clipboard, services.files, services.secrets} {}

    PageBrowser pages;
    Host host;
};
