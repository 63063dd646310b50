#include "output/alignedtable.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "engine/sourcename.h"
#include "output/textfilewriter.h"
#include "platform/eventpump.h"

#include <QLocale>
#include <cmath>

void StatusLineProgress::setStatus(const QString& text) {
    m_state.setStatusLine(text);
}

void StatusLineProgress::setValue(double value) {
    // Past 2,000 rows the last rows compute a little over 100.
    m_state.setProgressValue(static_cast<int>(std::nearbyint(std::min(value, 100.0))));
}

namespace AlignedTable {

const ResultRow& rowAt(const ResultsList& list, qsizetype row) {
    if (row < 1 || row > list.count())
        throw Failure(QStringLiteral("Index out of bounds"));
    return list.at(row);
}

QString cellText(const ResultsList& list, qsizetype row, int column) {
    if (column < 1)
        throw Failure(QStringLiteral("Index out of bounds"));
    const ResultRow& r = rowAt(list, row);
    if (column == 1)
        return r.first;
    return column == 2 && r.second ? *r.second : QString();
}

void appendCell(QString& line, const QString& text, qsizetype width) {
    line += text;
    if (width > text.size())
        line += QString(width - text.size(), QLatin1Char(' '));
    line += QLatin1Char('\t');
}

} // namespace AlignedTable

using AlignedTable::appendCell;
using AlignedTable::cellText;
using AlignedTable::rowAt;

void writeAlignedTable(Dialogs& dialogs, EventPump& pump, const ResultsList& list, const QString& path,
                       ProgressDisplay* progress, TextFileWriter& file) {
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
    // A save that has lost its file, or whose rows were cleared under it, ends after its one report: the
    // old file stays as it was.
    bool ended = false;
    const auto finish = [&] {
        if (progress) {
            p.run(146, [&] { progress->setValue(0); });
            p.run(148, [&] { progress->setStatus(MainState::idleStatus()); });
        }
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
                if (r > list.count())
                    ended = true;
                width = std::max(width, cellText(list, r, c).size());
            }
            widths << width;
        }
    });
    if (ended) {
        finish();
        return;
    }
    report(110, 10, writing);
    // A column added since the width pass is as wide as its header.
    const auto widthOf = [&](int c) {
        return c <= widths.size() ? widths.at(c - 1) : list.columns().value(c - 1).header.size();
    };

    p.run(118, [&] { file.create(path); });
    if (file.failed()) {
        finish();
        return;
    }
    p.run(120, [&] {
        QString line;
        const auto columns = list.columns().size();
        for (int c = 1; c <= columns; ++c) {
            pump.processPendingEvents();
            appendCell(line, list.columns().value(c - 1).header, widthOf(c));
        }
        file.writeLine(line);
    });
    report(122, 20, writing);

    const qsizetype rows = list.count();
    const int columns = int(list.columns().size());
    for (qsizetype r = 1; r <= rows && !file.failed() && !ended; ++r) {
        p.run(130, [&] { pump.processPendingEvents(); });
        bool checked = false;
        p.run(132, [&] {
            ended = r > list.count();
            checked = rowAt(list, r).checked;
        });
        if (!checked)
            continue;
        QString line;
        p.run(134, [&] {
            for (int c = 1; c <= columns; ++c) {
                pump.processPendingEvents();
                ended = r > list.count();
                appendCell(line, cellText(list, r, c), widthOf(c));
            }
        });
        if (ended)
            break;
        if (progress) {
            p.run(136, [&] {
                pump.processPendingEvents();
                const qsizetype now = list.count();
                // A 2000th of the list ahead, in whole rows, as the bar has always been shown.
                const qsizetype ahead = now / 2000;
                progress->setValue(double(r + ahead) / double(now) * 100.0);
                if (r % 1000 == 0)
                    progress->setStatus(writing + QStringLiteral(" (") + QString::number(r) +
                                        QLatin1Char(')'));
                pump.processPendingEvents();
            });
        }
        p.run(138, [&] { file.writeLine(line); });
    }
    if (file.failed() || ended) {
        finish();
        return;
    }
    if (progress) {
        p.run(140, [&] { progress->setValue(100); });
        p.run(142, [&] { progress->setStatus(QStringLiteral("Done.")); });
    }
    p.run(144, [&] { file.close(); });
    finish();
}

QString AlignedSize::shownSize() const {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

AlignedSize measureAligned(EventPump& pump, const ResultsList& list, AlignedSize::Layout layout) {
    const bool file = layout == AlignedSize::Layout::File;
    const int columns = int(list.columns().size());
    const qsizetype rows = list.count();
    QVector<qsizetype> widths(columns, 0);
    AlignedSize size;
    for (int c = 1; c <= columns; ++c) {
        if (file)
            widths[c - 1] = list.columns().at(c - 1).header.size();
        for (qsizetype r = 1; r <= rows; ++r) {
            if (r % 256 == 0)
                pump.processPendingEvents();
            widths[c - 1] = std::max(widths[c - 1], cellText(list, r, c).size());
        }
        size.longest = std::max(size.longest, widths[c - 1]);
    }
    // A cell takes its UTF-8 bytes, then blanks up to its column's width (counted in characters, as the
    // layout pads), then a tab.
    const auto cell = [&](const QString& text, int c) {
        const qint64 bytes = text.toUtf8().size();
        size.textBytes += bytes;
        return bytes + std::max<qsizetype>(0, widths[c - 1] - text.size()) + 1;
    };
    if (file) {
        for (int c = 1; c <= columns; ++c)
            size.bytes += cell(list.columns().at(c - 1).header, c);
        size.bytes += 2;
    }
    for (qsizetype r = 1; r <= rows; ++r) {
        if (r % 256 == 0)
            pump.processPendingEvents();
        if (!rowAt(list, r).checked)
            continue;
        for (int c = 1; c < columns; ++c)
            size.bytes += cell(cellText(list, r, c), c);
        if (columns > 0) {
            const QString last = cellText(list, r, columns);
            if (file) {
                size.bytes += cell(last, columns);
            } else {
                // The last cell keeps neither its padding, nor its tab, nor its own trailing blanks.
                qsizetype end = last.size();
                while (end > 0 && last.at(end - 1) == QLatin1Char(' '))
                    --end;
                size.textBytes += last.toUtf8().size();
                size.bytes += QStringView(last).left(end).toUtf8().size();
            }
        }
        size.bytes += 2;
    }
    return size;
}

QString buildClipboardTable(EventPump& pump, const ResultsList& list) {
    if (list.isEmpty())
        return {};
    const int columns = int(list.columns().size());
    QVector<qsizetype> widths(columns, 0);
    const qsizetype rows = list.count();
    for (int c = 1; c <= columns; ++c) {
        for (qsizetype r = 1; r <= rows; ++r) {
            pump.processPendingEvents();
            widths[c - 1] = std::max(widths[c - 1], cellText(list, r, c).size());
        }
    }
    // Rows cleared meanwhile end the copy with a failure: never a read of a row that is gone.
    QString text;
    for (qsizetype r = 1; r <= rows; ++r) {
        pump.processPendingEvents();
        if (!rowAt(list, r).checked)
            continue;
        const qsizetype lineStart = text.size();
        // The last cell goes without its padding and its tab, which the line would drop again: one long
        // result must not make every line long on the way.
        for (int c = 1; c < columns; ++c) {
            pump.processPendingEvents();
            appendCell(text, cellText(list, r, c), widths[c - 1]);
        }
        pump.processPendingEvents();
        text += cellText(list, r, columns);
        qsizetype end = text.size();
        while (end > lineStart && text.at(end - 1) == QLatin1Char(' '))
            --end;
        text.truncate(end);
        text += QStringLiteral("\r\n");
    }
    return text;
}
