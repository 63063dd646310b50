// The main window's size and place, splitters and column widths: fitted to its screen, and kept from one
// session to the next.
#include "ui/form1.h"

#include "engine/mainstate.h"
#include "platform/host.h"
#include "shell/settingskeys.h"
#include "ui/twips.h"

#include <QScreen>
#include <QSplitter>
#include <QTreeView>

// The first size is what the window wants, within the screen it opens on; a size and place of an earlier
// session come back when the window first shows.
void Form1::fitScreen() {
    const QSize available = screen() ? screen()->availableGeometry().size() : QSize(1200, 720);
    // Room for the frame the window manager puts around it.
    const QSize room = (available - QSize(8, 40)).expandedTo(QSize(320, 240));
    setMinimumSize(minimumSizeHint().boundedTo(QSize(960, 600)).boundedTo(room));
    resize(QSize(1200, 720).boundedTo(room));
}

void Form1::restoreLayout() {
    const auto stored = [this](const QString& key) {
        return QByteArray::fromBase64(Settings::read(m_host.settings, key, {}).toLatin1());
    };
    const QByteArray geometry = stored(QStringLiteral("WindowGeometry"));
    if (!geometry.isEmpty())
        restoreGeometry(geometry); // a place off every screen now is brought back onto one
    for (QSplitter* splitter : findChildren<QSplitter*>()) {
        const QByteArray sizes = stored(QStringLiteral("Splitter") + splitter->objectName());
        if (!sizes.isEmpty())
            splitter->restoreState(sizes);
    }
    for (QTreeView* view : {m_urlView, m_resultsView}) {
        const QStringList widths =
            Settings::read(m_host.settings, view->objectName() + QStringLiteral("Widths"), {})
                .split(QLatin1Char(','), Qt::SkipEmptyParts);
        // Only for the same columns: a table that has other columns now takes their own widths.
        if (widths.size() != view->model()->columnCount())
            continue;
        for (int c = 0; c + 1 < widths.size(); ++c) // the last column takes the rest of the pane
            if (const int width = widths.at(c).toInt(); width > 0)
                view->setColumnWidth(c, width);
    }
}

void Form1::storeLayout() {
    const auto store = [this](const QString& key, const QByteArray& value) {
        Settings::writeSoon(m_host.settings, key, QString::fromLatin1(value.toBase64()));
    };
    store(QStringLiteral("WindowGeometry"), saveGeometry());
    for (QSplitter* splitter : findChildren<QSplitter*>())
        store(QStringLiteral("Splitter") + splitter->objectName(), splitter->saveState());
    for (QTreeView* view : {m_urlView, m_resultsView}) {
        QStringList widths;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            widths << QString::number(view->columnWidth(c));
        Settings::writeSoon(m_host.settings, view->objectName() + QStringLiteral("Widths"),
                            widths.join(QLatin1Char(',')));
    }
}

void Form1::showEvent(QShowEvent* event) {
    if (!std::exchange(m_layoutRestored, true))
        restoreLayout();
    QWidget::showEvent(event);
}

void Form1::applyResultColumnWidths() {
    const auto& columns = m_state.results.columns();
    for (int c = 0; c < columns.size(); ++c)
        m_resultsView->setColumnWidth(c, twipsToPixels(columns[c].widthTwips, this));
}
