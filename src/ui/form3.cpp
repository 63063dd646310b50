#include "ui/form3.h"

#include "engine/mainstate.h"
#include "engine/modes/textset.h"
#include "platform/host.h"
#include "ui/appearance.h"
#include "ui/modewindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

Form3::Form3(Host& host, MainState& state, TextSetState& set, QWidget* parent)
    : ModeDialog(state, parent), m_host(host), m_state(state), m_set(set) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Extract Lines Containing These Text Sets"));
    fitTitle();
    setModal(true);

    auto* group = new QGroupBox(QStringLiteral("Containing Text"), this);
    group->setObjectName(QStringLiteral("Frame1"));
    m_combo = new QComboBox(group);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setMinimumWidth(260);
    (new QVBoxLayout(group))->addWidget(m_combo);

    auto* buttons = new QGridLayout;
    buttons->addWidget(
        modeButton(this, "PushButton2", "Add Text", [this] { ExtractTextSets::addText(m_host, m_set); }), 0,
        0);
    buttons->addWidget(
        modeButton(this, "PushButton1", "Remove Selected Text",
                   [this] { ExtractTextSets::removeSelectedText(m_host, m_set, m_combo->currentIndex()); }),
        0, 1);
    buttons->addWidget(modeButton(this, "PushButton5", "Remove All",
                                  [this] { ExtractTextSets::removeAllTexts(m_host, m_set); }),
                       0, 2);
    buttons->addWidget(modeButton(this, "PushButton4", "Start Extracting",
                                  [this] { ExtractTextSets::runTextSet(m_host, m_state, m_set); }),
                       1, 0);
    buttons->addWidget(
        modeButton(this, "PushButton11", "Help", [this] { ExtractTextSets::showHelp(m_host); }), 1, 1);
    buttons->addWidget(modeButton(this, "PushButton3", "Close",
                                  [this] { ExtractTextSets::closeWindow(m_host, [this] { close(); }); }),
                       1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    m_pointer = loadModeWindow(
        host, this, QStringLiteral("Form3.Form_Load"), [this] { return m_set.pointer(); },
        [this](int p) { m_set.setPointer(p); });
    connect(&set, &TextSetState::textsChanged, this, &Form3::showTexts);
    connect(&set, &TextSetState::closeRequested, this, &QDialog::close);
    connect(&set, &TextSetState::pointerChanged, m_pointer, &PointerRules::apply);
    m_pointer->apply(set.pointer());
    showTexts();
}

void Form3::showTexts() {
    m_combo->clear();
    m_combo->addItems(m_set.texts());
    m_combo->setCurrentIndex(-1); // nothing selected until the user picks a text
}

QPushButton* Form3::button(const char* objectName) const {
    return findChild<QPushButton*>(QLatin1String(objectName));
}
