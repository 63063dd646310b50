#pragma once

#include "platform/browser.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/eventpump.h"
#include "platform/filesystem.h"
#include "platform/processrunner.h"
#include "platform/secretstore.h"
#include "platform/settingsstore.h"

// What a host holds besides its browser, event pump and clock: how the run speaks to a person, where
// settings go, and the system's processes, clipboard and files.
struct HostServices {
    Dialogs& dialogs;
    SettingsStore& settings;
    ProcessRunner& processes;
    Clipboard& clipboard;
    FileSystem& files;
    SecretStore* secrets = nullptr; // the desktop's keyring, where the program keeps secrets in one
};

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
    SecretStore* secrets = nullptr; // the desktop's keyring, where the program keeps secrets in one
};
