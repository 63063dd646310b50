#pragma once

#include "ui/modewindow.h"

struct Host;
class BetweenState;
class MainState;
class PointerRules;
class QPushButton;

// "Extract Between": the start and end markers, whether to keep them in the results, and the run.
class Form2 : public ModeDialog {
    Q_OBJECT
public:
    Form2(Host& host, MainState& state, BetweenState& between, QWidget* parent);
    QPushButton* button(const char* objectName) const;

private:
    Host& m_host;
    MainState& m_state;
    BetweenState& m_between;
    PointerRules* m_pointer = nullptr;
};
