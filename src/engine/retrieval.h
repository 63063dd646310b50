#pragma once

#include <QString>

struct Host;
class MainState;

namespace Retrieval {
constexpr int WaitCap = 10'000'000; // wait iterations before the document is read as it stands; the clock
                                    // limit is the state's page timeout
} // namespace Retrieval

// Loads one source in the browser engine and returns its text: the document's markup with Option1, the
// body's rendered text with Option2, the empty text with neither or when the page could not be loaded.
QString readPageText(Host& host, MainState& state, const QString& entry);
