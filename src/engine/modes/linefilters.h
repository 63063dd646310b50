#pragma once

struct Host;
class MainState;

// "Extract All Lines Containing This Text:" (Text1) and "Extract All Lines Not Contain. This Text:" (Text2),
// matched without regard to letter case. The search text is read anew for every line.
void runLinesContaining(Host& host, MainState& state);
void runLinesNotContaining(Host& host, MainState& state);
