#pragma once

#include <QStringList>

struct Host;

// Extends `queue` (folders ending with their separator) with the qualifying sub-folders of its folders,
// level by level (the whole tree when `recurse`), and drops folders that cannot be listed because access
// is denied or they are gone. A folder qualifies when it is a root folder, or when it is neither a hidden
// system folder (22, or 1046 as a link) nor a link at all: a link is never followed, so no tree is walked
// twice and no loop is entered.
// `chosen`: the queue holds the folder the user chose, walked even when it is a link.
void GetSubDirectories2016(Host& host, QStringList& queue, bool recurse, bool chosen = true);

// Names of the openable files of one folder that match `pattern`, in listing order.
QStringList ListFilesInFolder(Host& host, const QString& folder, const QString& pattern);
