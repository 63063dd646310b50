#pragma once

#include <QString>

// The script every page runs before its own, in its own script world: it counts what the page still has
// under way (requests it made with fetch or XMLHttpRequest, scripts and style sheets it added, timers it
// set), notes when its document last changed after it loaded, and answers
// window.__quarnelSettled(remainingMs): true when nothing is under way, no timer is due within
// `remainingMs`, and the document has been still for a moment; and window.__quarnelWantsFrames(): true
// while the page waits for an animation frame. A page that breaks it can only make Quarnel wait for the
// settle limit, which bounds every wait.
QString settleWatcherScript();
