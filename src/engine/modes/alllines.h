#pragma once

struct Host;
class MainState;

// "Extract All Lines In Web Sites": every non-empty line of every source.
void PushButton3_Click(Host& host, MainState& state);
