#include "engine/modes/linefilters.h"

#include "engine/extractionrun.h"
#include "engine/mainstate.h"
#include "engine/matching.h"

void runLinesContaining(Host& host, MainState& state) {
    ExtractionRun::runLineMode(
        host, state, {QStringLiteral("Form1.PushButton2_Click"), false, [&state](const QString& line) {
                          return containsIgnoringCase(line, state.text1());
                      }});
}

void runLinesNotContaining(Host& host, MainState& state) {
    ExtractionRun::runLineMode(
        host, state, {QStringLiteral("Form1.PushButton8_Click"), true, [&state](const QString& line) {
                          return !containsIgnoringCase(line, state.text2());
                      }});
}
