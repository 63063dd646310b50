#pragma once

struct Host;
class MainState;

// "Add One URL": the typed address is appended exactly as typed.
void PushButton5_Click(Host& host, MainState& state);
