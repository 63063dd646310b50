#include "output/alignedtable.h"

#include "engine/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "engine/sourcename.h"
#include "output/textfilewriter.h"
#include "platform/eventpump.h"

#include <cmath>

void StatusLineProgress::setStatus(const QString& text) { m_state.setStatusLine(text); }

void StatusLineProgress::setValue(double value)
{
    // Past 2,000 rows the last rows compute a little over 100.
    m_state.setProgressValue(static_cast<int>(std::nearbyint(std::min(value, 100.0))));
}

namespace AlignedTable {

QString cellText(const ResultsList& list, qsizetype row, int column)
{
    if (row < 1 || row > list.count() || column < 1 || column > list.columns().size())
        throw Failure(QStringLiteral("Index out of bounds"));
    const ResultRow& r = list.at(row);
    if (column == 1)
        return r.first;
    return column == 2 && r.second ? *r.second : QString();
}

void appendCell(QString& line, const QString& text, qsizetype width)
{
    line += text;
    if (width > text.size())
        line += QString(width - text.size(), QLatin1Char(' '));
    line += QLatin1Char('\t');
}

} // namespace AlignedTable

using AlignedTable::appendCell;
using AlignedTable::cellText;

void SaveListviewProperlySpaced(Dialogs& dialogs, EventPump& pump, const ResultsList& list,
                                const QString& path, ProgressDisplay* progress, TextFileWriter& file)
{
    Procedure p(dialogs, QStringLiteral("Main.SaveListviewProperlySpaced"));
    const QString shortName = ShortSourceName(path);
    const QString writing = QStringLiteral("Writing file: ") + shortName;
    const auto report = [&](int line, double value, const QString& status) {
        if (!progress)
            return;
        p.run(line, [&] { pump.processPendingEvents(); });
        p.run(line + 2, [&] { progress->setValue(value); });
        p.run(line + 4, [&] { progress->setStatus(status); });
        p.run(line + 6, [&] { pump.processPendingEvents(); });
    };

    report(100, 1, writing);
    QVector<qsizetype> widths;
    p.run(108, [&] {
        const auto columns = list.columns().size();
        const qsizetype rows = list.count();
        for (int c = 1; c <= columns; ++c) {
            qsizetype width = list.columns().at(c - 1).header.size();
            for (qsizetype r = 1; r <= rows; ++r) {
                pump.processPendingEvents();
                width = std::max(width, cellText(list, r, c).size());
            }
            widths << width;
        }
    });
    report(110, 10, writing);

    p.run(118, [&] { file.create(path); });
    p.run(120, [&] {
        QString line;
        for (int c = 1; c <= widths.size(); ++c) {
            pump.processPendingEvents();
            appendCell(line, list.columns().at(c - 1).header, widths.at(c - 1));
        }
        file.writeLine(line);
    });
    report(122, 20, writing);

    const qsizetype rows = list.count();
    for (qsizetype r = 1; r <= rows; ++r) {
        p.run(130, [&] { pump.processPendingEvents(); });
        bool checked = false;
        p.run(132, [&] { checked = list.at(r).checked; });
        if (!checked)
            continue;
        QString line;
        p.run(134, [&] {
            for (int c = 1; c <= widths.size(); ++c) {
                pump.processPendingEvents();
                appendCell(line, cellText(list, r, c), widths.at(c - 1));
            }
        });
        if (progress) {
            p.run(136, [&] {
                pump.processPendingEvents();
                const qsizetype now = list.count();
                progress->setValue(double(r + now / 2000) / double(now) * 100.0);
                if (r % 1000 == 0)
                    progress->setStatus(writing + QStringLiteral(" (") + QString::number(r) + QLatin1Char(')'));
                pump.processPendingEvents();
            });
        }
        p.run(138, [&] { file.writeLine(line); });
    }
    if (progress) {
        p.run(140, [&] { progress->setValue(100); });
        p.run(142, [&] { progress->setStatus(QStringLiteral("Done.")); });
    }
    p.run(144, [&] { file.close(); });
    if (progress) {
        p.run(146, [&] { progress->setValue(0); });
        p.run(148, [&] { progress->setStatus(MainState::idleStatus()); });
    }
}

QString buildClipboardTable(EventPump& pump, const ResultsList& list)
{
    if (list.isEmpty())
        return {};
    const int columns = int(list.columns().size());
    QVector<qsizetype> widths(columns, 0);
    for (int c = 1; c <= columns; ++c) {
        for (qsizetype r = 1, rows = list.count(); r <= rows; ++r) {
            pump.processPendingEvents();
            widths[c - 1] = std::max(widths[c - 1], cellText(list, r, c).size());
        }
    }
    QString text;
    for (qsizetype r = 1; r <= list.count(); ++r) {
        pump.processPendingEvents();
        if (!list.at(r).checked)
            continue;
        const qsizetype lineStart = text.size();
        for (int c = 1; c <= columns; ++c) {
            pump.processPendingEvents();
            appendCell(text, cellText(list, r, c), widths[c - 1]);
        }
        text.chop(1); // the final tab
        qsizetype end = text.size();
        while (end > lineStart && text.at(end - 1) == QLatin1Char(' '))
            --end;
        text.truncate(end);
        text += QStringLiteral("\r\n");
    }
    return text;
}
