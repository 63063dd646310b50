#pragma once

struct Host;
class MainState;

// "Extract All Lines In Web Sites": every non-empty line of every source.
void runAllLines(Host& host, MainState& state);
