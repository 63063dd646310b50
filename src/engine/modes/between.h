#pragma once

#include <QString>
#include <QStringList>

struct Host;
class MainState;
class BetweenState;

namespace ExtractBetween {
// The procedures of the "Extract Between" window (Form2).
// "Start Extracting": every fragment between the start and the end marker, repeatedly, without regard to
// letter case. The markers are taken at the start of each source; the include options at each use.
void runBetween(Host& host, MainState& state, BetweenState& between);
// "Help"; the main window's "Help >" beside the mode shows the same under its own name.
void showHelp(Host& host, const QString& location = QStringLiteral("Form2.PushButton11_Click"));
QStringList helpLines();
} // namespace ExtractBetween
