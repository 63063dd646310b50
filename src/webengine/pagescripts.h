#pragma once

#include <QString>
#include <QVariantList>

// The program's scripts for pages, kept as JavaScript files (js/) among the program's resources.

// The script every page runs before its own (js/settle-watcher.js): it counts what the page still has under
// way and answers whether the page has settled. A page that breaks it can only make Quarnel wait for the
// settle limit, which bounds every wait.
QString settleWatcherScript();

// A script that calls `function` of js/page-reads.js with `arguments`, each passed as a JSON value.
QString pageReadCall(const char* function, const QVariantList& arguments = {});
