#pragma once

struct Host;
class MainState;

void addLocalHtmlFiles(Host& host, MainState& state);    // "Add Local HTML Files"
void addHtmlFilesInFolder(Host& host, MainState& state); // "Add All HTML File(s) In Folder"

#include <QString>
// Appends every openable file of `folder` and its sub-folders whose name matches "*." + `extension`,
// level by level; names starting with "~" and hidden archive files are skipped.
void collectFolder(Host& host, MainState& state, const QString& folder, const QString& extension);
