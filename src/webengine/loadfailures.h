#pragma once

#include <QString>

class QWebEngineLoadingInfo;

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info);
// Whether a failed load may succeed when tried again: a server busy or failing for a moment (HTTP 408, 425,
// 429, 500, 502, 503, 504), a connection reset, closed or cut off mid-answer, an empty answer, a connection
// that timed out. A missing page, a refused port or an unknown name stay as they are.
bool failureMayPass(const QWebEngineLoadingInfo& info);
// How a page's renderer ended (an EnginePage::TerminationStatus and its exit code), in plain words.
QString terminationReason(int status, int exitCode);
