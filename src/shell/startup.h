#pragma once

struct Host;
class MainState;
class WindowShell;

// The main window's load: connectivity, skin, pointer, caption, columns, then the persisted state.
void loadMainWindow(Host& host, MainState& state, WindowShell& window);
// The main window's close: the source list is written; a running command stops where it is.
void closeMainWindow(Host& host, MainState& state);
// "Help".
void showMainHelp(Host& host);
// Standard error carries the program's own messages; of the toolkit's and the engine's, only critical ones,
// unless the user turns some on through QT_LOGGING_RULES. The first thing a program calls.
void quietToolkitOutput();
