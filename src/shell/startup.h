#pragma once

struct Host;
class MainState;
class WindowShell;

// The main window's load: connectivity, skin, pointer, caption, columns, then the persisted state.
void Form_Load(Host& host, MainState& state, WindowShell& window);
// The main window's close: the source list is written; a running command stops where it is.
void Form_QueryUnload(Host& host, MainState& state);
// "Help".
void PushButton21_Click(Host& host);
