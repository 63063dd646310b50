#pragma once

#include <QString>

struct Host;
class Clipboard;
class MainState;

void PushButton6_Click(Host& host, MainState& state);  // "Save Results As Text File"
void PushButton1_Click(Host& host, MainState& state);  // "Save As Comma Delimited"
void PushButton24_Click(Host& host, MainState& state); // "Save As CSV"
void PushButton12_Click(Host& host, MainState& state); // "Copy Results To Clipboard"
void PushButton9_Click(Host& host, MainState& state);  // "Clear Results"

// Clipboard access, tried up to 1000 times in a row.
constexpr int ClipboardAttempts = 1000;
void clearClipboard(Clipboard& clipboard);
bool setClipboardText(Clipboard& clipboard, const QString& text);
