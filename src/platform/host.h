#pragma once

#include "platform/browser.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/eventpump.h"
#include "platform/filesystem.h"
#include "platform/processrunner.h"
#include "platform/settingsstore.h"

// The platform services every command acts through: the real ones in the program, fakes in tests.
struct Host {
    Browser& browser;
    Dialogs& dialogs;
    EventPump& pump;
    Clock& clock;
    SettingsStore& settings;
    ProcessRunner& processes;
    Clipboard& clipboard;
    FileSystem& files;
};
