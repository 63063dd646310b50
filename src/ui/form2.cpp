#include "ui/form2.h"

#include "engine/mainstate.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "platform/host.h"
#include "shell/settingskeys.h"
#include "ui/appearance.h"
#include "ui/modewindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Form2::Form2(Host& host, MainState& state, BetweenState& between, QWidget* parent)
    : ModeDialog(state, parent), m_host(host), m_state(state), m_between(between) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Extract Between"));
    setModal(true);

    const auto frame = [this](const char* name, const char* caption) {
        auto* box = new QGroupBox(QLatin1String(caption), this);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    const auto field = [](QGroupBox* box, const char* name) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QLatin1String(name));
        (new QVBoxLayout(box))->addWidget(edit);
        return edit;
    };
    auto* text1 = field(frame("Frame1", "Start with (X)"), "Text1");
    auto* text2 = field(frame("Frame2", "End with (Y)"), "Text2");
    auto* include = frame("Frame3", "Include Option");
    auto* check1 = new QCheckBox(QStringLiteral("Include (X) text in Results"), include);
    check1->setObjectName(QStringLiteral("Check1"));
    auto* check2 = new QCheckBox(QStringLiteral("Include (Y) text in Results"), include);
    check2->setObjectName(QStringLiteral("Check2"));
    auto* checks = new QVBoxLayout(include);
    checks->addWidget(check1);
    checks->addWidget(check2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(modeButton(this, "PushButton4", "Start Extracting",
                                  [this] { ExtractBetween::runBetween(m_host, m_state, m_between); }));
    buttons->addWidget(
        modeButton(this, "PushButton11", "Help", [this] { ExtractBetween::showHelp(m_host); }));
    buttons->addWidget(modeButton(this, "PushButton1", "Close", [this] { close(); }));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text1->parentWidget());
    layout->addWidget(text2->parentWidget());
    layout->addWidget(include);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    fitTitle();

    m_pointer = loadModeWindow(
        host, this, QStringLiteral("Form2.Form_Load"), [this] { return m_between.pointer(); },
        [this](int p) { m_between.setPointer(p); });
    Settings::loadBetweenFields(host, between);

    // The fields show the state and write into it on every change.
    text1->setText(between.startWith());
    text2->setText(between.endWith());
    check1->setChecked(between.check21() == 1);
    check2->setChecked(between.check22() == 1);
    connect(text1, &QLineEdit::textChanged, &between, &BetweenState::setStartWith);
    connect(text2, &QLineEdit::textChanged, &between, &BetweenState::setEndWith);
    connect(check1, &QCheckBox::toggled, &between, [&between](bool on) { between.setCheck21(on ? 1 : 0); });
    connect(check2, &QCheckBox::toggled, &between, [&between](bool on) { between.setCheck22(on ? 1 : 0); });
    connect(&between, &BetweenState::pointerChanged, m_pointer, &PointerRules::apply);
    m_pointer->apply(between.pointer());
}

QPushButton* Form2::button(const char* objectName) const {
    return findChild<QPushButton*>(QLatin1String(objectName));
}
