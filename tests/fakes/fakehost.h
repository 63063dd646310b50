#pragma once

#include "engine/mainstate.h"
#include "fakes/fakebrowser.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakefilesystem.h"
#include "fakes/fakepump.h"
#include "fakes/fakesettings.h"
#include "platform/host.h"

// A host made of fakes, with the main window's state beside it.
struct FakeHost {
    FakeBrowser browser;
    FakeDialogs dialogs;
    FakePump pump;
    FakeClock clock;
    FakeSettings settings;
    FakeProcessRunner processes;
    FakeClipboard clipboard;
    FakeFileSystem files;
    Host host{browser, dialogs, pump, clock, settings, processes, clipboard, files};
    MainState state;

    // Everything here but the browser, pump and clock: for a host over real pages.
    HostServices services() { return {dialogs, settings, processes, clipboard, files}; }

    void addUrls(const QStringList& entries) {
        for (const QString& e : entries)
            state.urls.append(e);
    }
    QStringList resultTexts() const {
        QStringList texts;
        for (qsizetype i = 1; i <= state.results.count(); ++i)
            texts << state.results.at(i).result();
        return texts;
    }
};
