#pragma once

#include "engine/mainstate.h"

#include <QObject>
#include <QStringList>
#include <functional>

struct Host;

// The set of texts of the "Extract Lines Containing These Text Sets" window, its pointer, and its wish to
// close at the end of a run. Lives as long as the window; never stored.
class TextSetState : public QObject {
    Q_OBJECT
public:
    const QStringList& texts() const { return m_texts; }
    void append(const QString& text);
    void removeAt(qsizetype index); // 0-based
    void clear();

    int pointer() const { return m_pointer; }
    void setPointer(int value);
    void requestClose() { Q_EMIT closeRequested(); }

Q_SIGNALS:
    void textsChanged();
    void pointerChanged(int value);
    void closeRequested();

private:
    QStringList m_texts;
    int m_pointer = Pointer::Default;
};

namespace ExtractTextSets {
void addText(Host& host, TextSetState& set); // "Add Text"
void removeSelectedText(Host& host, TextSetState& set,
                        qsizetype selectedIndex);   // "Remove Selected Text", -1: none
void removeAllTexts(Host& host, TextSetState& set); // "Remove All"
// "Start Extracting": every line containing any text of the set, one add attempt per matching text.
void runTextSet(Host& host, MainState& state, TextSetState& set);
// "Help"; the main window's "Help >" beside the mode shows the same under its own name.
void showHelp(Host& host, const QString& location = QStringLiteral("Form3.PushButton11_Click"));
// "Close": hides the window through `close`, with the window's own error report.
void closeWindow(Host& host, const std::function<void()>& close);
QStringList helpLines();
} // namespace ExtractTextSets
