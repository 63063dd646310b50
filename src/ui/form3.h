#pragma once

#include "ui/modewindow.h"

struct Host;
class MainState;
class PointerRules;
class QComboBox;
class QPushButton;
class TextSetState;

// "Extract Lines Containing These Text Sets": the set of texts and the run.
class Form3 : public ModeDialog {
    Q_OBJECT
public:
    Form3(Host& host, MainState& state, TextSetState& set, QWidget* parent);
    QPushButton* button(const char* objectName) const;

private:
    void showTexts();

    Host& m_host;
    MainState& m_state;
    TextSetState& m_set;
    QComboBox* m_combo = nullptr;
    PointerRules* m_pointer = nullptr;
};
