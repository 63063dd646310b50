#include "ui/modewindow.h"

#include "base/failure.h"
#include "engine/procedure.h"
#include "platform/host.h"
#include "sources/filetolist.h"
#include "ui/appearance.h"

#include "engine/mainstate.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>

PointerRules* loadModeWindow(Host& host, QDialog* window, const QString& location, std::function<int()> get,
                             std::function<void(int)> set) {
    auto* rules = new PointerRules(window, std::move(get), std::move(set));
    rules->watchAll();
    Procedure p(host.dialogs, location);
    p.run(100, [&] { ApplyFaceColor(window); });
    p.run(102,
          [&] { window->setWindowIcon(window->style()->standardIcon(QStyle::SP_FileDialogContentsView)); });
    const QString pointer = QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR");
    if (p.test(104, [&] { return FileExists(pointer); }))
        p.run(106, [&] { rules->setHoverCursor(loadPointerImage(pointer)); });
    return rules;
}

QPushButton* modeButton(QWidget* parent, const char* name, const char* caption,
                        std::function<void()> command) {
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent, [command = std::move(command)] {
        try {
            command();
        } catch (const AppClosingUnwind&) {
            // the program is ending: the command stops here
        }
    });
    return button;
}

ModeDialog::ModeDialog(MainState& state, QWidget* parent) : QDialog(parent), m_runState(state) {}

void ModeDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_runState.isRunning()) {
        m_runState.requestStop();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ModeDialog::showEvent(QShowEvent* event) {
    if (!m_geometry.isEmpty())
        restoreGeometry(m_geometry);
    QDialog::showEvent(event);
}

void ModeDialog::hideEvent(QHideEvent* event) {
    m_geometry = saveGeometry();
    QDialog::hideEvent(event);
}

void ModeDialog::fitTitle() {
    // The frame's buttons and margins take about 150 pixels beside the title text.
    setMinimumWidth(std::max(minimumWidth(), fontMetrics().horizontalAdvance(windowTitle()) + 150));
}
