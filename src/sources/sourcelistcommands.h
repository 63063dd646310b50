#pragma once

#include <QString>

struct Host;
class MainState;

// The commands that build and prune the source list by hand.
void PushButton5_Click(Host& host, MainState& state);  // "Add One URL"
void PushButton13_Click(Host& host, MainState& state); // "Load List Of URLS From Text File"
void PushButton22_Click(Host& host, MainState& state); // "Load Sample/Example URLs"
void PushButton11_Click(Host& host, MainState& state); // "Clear List"
void PushButton14_Click(Host& host, MainState& state); // "Remove URLs Containing X"
void PushButton15_Click(Host& host, MainState& state); // "Remove URLs Not Containing X"

class UrlList;
void RemoveUrlsContaining(UrlList& target, const QString& text);
void RemoveUrlsNotContaining(UrlList& target, const QString& text);

// Delete key in the source list, double-click in either list: removes the selected entry or row
// (0: none selected) unless a command is running.
void RemoveSelectedUrl(MainState& state, qsizetype selectedPosition);
void RemoveSelectedResult(MainState& state, qsizetype selectedPosition);
