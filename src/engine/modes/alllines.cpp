#include "engine/modes/alllines.h"

#include "engine/extractionrun.h"

void runAllLines(Host& host, MainState& state) {
    ExtractionRun::runLineMode(host, state, {QStringLiteral("Form1.PushButton3_Click"), true, {}});
}
