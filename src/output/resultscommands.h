#pragma once

#include <QString>

struct Host;
class Clipboard;
class MainState;

void saveAlignedTable(Host& host, MainState& state);       // "Save Results As Text File"
void saveCommaDelimited(Host& host, MainState& state);     // "Save As Comma Delimited"
void saveCsv(Host& host, MainState& state);                // "Save As CSV"
void copyResultsToClipboard(Host& host, MainState& state); // "Copy Results To Clipboard"
void clearResults(Host& host, MainState& state);           // "Clear Results"

// Clipboard access, tried up to 1000 times in a row.
constexpr int ClipboardAttempts = 1000;
void clearClipboard(Clipboard& clipboard);
bool setClipboardText(Clipboard& clipboard, const QString& text);
