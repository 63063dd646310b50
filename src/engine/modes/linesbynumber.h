#pragma once

#include <QString>

struct Host;
class MainState;

// "Extract Lines By Number:": the lines whose 1-based numbers are listed, comma-separated, in Text5.
void runLinesByNumber(Host& host, MainState& state);
// Its "Help >".
void showLinesByNumberHelp(Host& host);

namespace LineNumbers {
// A piece of the list as a 16-bit whole number: blanks around allowed, fractions rounded half to even.
// Throws Failure for anything else.
qint16 toInteger(const QString& piece);
// The leading number of a text, blanks ignored; 0 when the text does not begin with one.
double leadingNumber(const QString& text);
} // namespace LineNumbers
