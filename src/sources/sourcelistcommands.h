#pragma once

#include <QString>

struct Host;
class MainState;

// The commands that build and prune the source list by hand.
void addOneUrl(Host& host, MainState& state);               // "Add One URL"
void loadUrlListFile(Host& host, MainState& state);         // "Load List Of URLS From Text File"
void loadSampleUrls(Host& host, MainState& state);          // "Load Sample/Example URLs"
void clearSourceList(Host& host, MainState& state);         // "Clear List"
void removeUrlsContaining(Host& host, MainState& state);    // "Remove URLs Containing X"
void removeUrlsNotContaining(Host& host, MainState& state); // "Remove URLs Not Containing X"

class UrlList;
void RemoveUrlsContaining(UrlList& target, const QString& text);
void RemoveUrlsNotContaining(UrlList& target, const QString& text);

// Delete key in the source list, double-click in either list: removes the selected entry or row
// (0: none selected) unless a command is running.
void RemoveSelectedUrl(MainState& state, qsizetype selectedPosition);
void RemoveSelectedResult(MainState& state, qsizetype selectedPosition);
