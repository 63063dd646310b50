#pragma once

#include <QString>

class QWebEngineLoadingInfo;

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info);
// How a page's renderer ended (an EnginePage::TerminationStatus and its exit code), in plain words.
QString terminationReason(int status, int exitCode);
