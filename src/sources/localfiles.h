#pragma once

struct Host;
class MainState;

void PushButton10_Click(Host& host, MainState& state); // "Add Local HTML Files"
void PushButton7_Click(Host& host, MainState& state);  // "Add All HTML File(s) In Folder"
