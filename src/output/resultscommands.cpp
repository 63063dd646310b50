#include "output/resultscommands.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "output/alignedtable.h"
#include "output/csv.h"
#include "output/textfilewriter.h"
#include "platform/host.h"
#include "sources/filetolist.h"

#include <QLocale>

namespace {
const QString TextFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// The save dialog and the overwrite question every save shares. Empty when the user changed their mind.
QString askForTarget(Procedure& p, Host& host, const QString& filter = TextFilter) {
    FileDialogRequest request;
    QString path;
    p.run(100, [&] { request.fileName.clear(); });
    p.run(102, [&] {
        request.kind = FileDialogRequest::Kind::Save;
        request.flags = FileDialogFlag::Explorer | FileDialogFlag::LongNames |
                        FileDialogFlag::AllowMultiSelect | FileDialogFlag::ReadOnly;
    });
    p.run(104, [&] { request.title = QStringLiteral("Save"); });
    p.run(106, [&] { request.filter = filter; });
    p.run(108, [&] { path = host.dialogs.fileDialog(request); });
    if (p.test(110, [&] { return path.isEmpty(); }))
        return {};
    bool replace = true;
    if (p.test(112, [&] { return FileExists(path); })) {
        p.run(114, [&] {
            replace = host.dialogs.message(QStringLiteral("Are you sure you wish to overwrite ") + path +
                                               QStringLiteral(" ?"),
                                           MessageButtons::YesNo) == MessageAnswer::Yes;
        });
    }
    return replace ? path : QString();
}

// The start of a save that writes line by line: where to, the busy pointer, the new file (whose failure
// has been reported). False when the user changed their mind.
bool startSave(Procedure& p, Host& host, MainState& state, TextFileWriter& file,
               const QString& filter = TextFilter) {
    const QString path = askForTarget(p, host, filter);
    if (path.isEmpty())
        return false;
    p.run(116, [&] { state.setPointer(Pointer::Busy); });
    p.run(118, [&] { file.create(path); });
    return true;
}

// "because one result is 594,180 characters long"
QString longestCell(const AlignedSize& size) {
    return QStringLiteral("because one result is %1 characters long")
        .arg(QLocale(QLocale::English).toString(size.longest));
}
} // namespace

void saveAlignedTable(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton6_Click"));
    // Every cell is padded to the longest of its column: one long line can make the file many times the
    // size of the text. That is asked about before anything is written.
    bool wanted = true;
    p.run(98, [&] {
        const AlignedSize size = measureAligned(host.pump, state.results, AlignedSize::Layout::File);
        if (size.paddingDominates())
            wanted = host.dialogs.message(QStringLiteral("The file would be ") + size.shownSize() +
                                              QStringLiteral(", ") + longestCell(size) +
                                              QStringLiteral(". Save it anyway?"),
                                          MessageButtons::YesNo) == MessageAnswer::Yes;
    });
    if (!wanted)
        return;
    const QString path = askForTarget(p, host);
    if (path.isEmpty())
        return;
    p.run(116, [&] { state.setPointer(Pointer::Busy); });
    p.run(118, [&] {
        StatusLineProgress progress(state);
        TextFileWriter file;
        writeAlignedTable(host.dialogs, host.pump, state.results, path, &progress, file);
    });
    p.run(120, [&] { state.setPointer(Pointer::Default); });
}

void saveCommaDelimited(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton1_Click"));
    TextFileWriter file;
    if (!startSave(p, host, state, file))
        return;
    // A file that cannot be created, or rows cleared under the save, end it after that one report; the
    // old file stays as it was.
    bool ended = file.failed();
    QString line;
    const qsizetype rows = state.results.count();
    for (qsizetype r = 1; r <= rows && !ended; ++r) {
        p.run(120, [&] { host.pump.processPendingEvents(); });
        p.run(122, [&] {
            ended = r > state.results.count();
            line += AlignedTable::cellText(state.results, r, 1) + QLatin1Char(',');
        });
    }
    if (!ended) {
        p.run(124, [&] {
            file.writeLine(line);
            file.close();
        });
    }
    p.run(126, [&] { state.setPointer(Pointer::Default); });
}

void saveCsv(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton24_Click"));
    TextFileWriter file;
    if (!startSave(p, host, state, file, QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|")))
        return;
    // A header of the columns shown, then one record per checked row. A file that cannot be written, or
    // rows cleared under the save, end it after that one report; the old file stays as it was.
    bool ended = file.failed();
    const int columns = int(state.results.columns().size());
    p.run(120, [&] {
        QStringList headers;
        for (const ResultColumn& column : state.results.columns())
            headers << column.header;
        file.writeLine(Csv::record(headers));
    });
    const qsizetype rows = state.results.count();
    for (qsizetype r = 1; r <= rows && !ended && !file.failed(); ++r) {
        p.run(122, [&] {
            if (r % 256 == 0)
                host.pump.processPendingEvents();
            ended = r > state.results.count();
            if (ended || !state.results.at(r).checked)
                return;
            QStringList cells;
            for (int c = 1; c <= columns; ++c)
                cells << AlignedTable::cellText(state.results, r, c);
            file.writeLine(Csv::record(cells));
        });
    }
    if (!ended && !file.failed())
        p.run(124, [&] { file.close(); });
    p.run(126, [&] { state.setPointer(Pointer::Default); });
}

void clearClipboard(Clipboard& clipboard) {
    for (int attempt = 0; attempt < ClipboardAttempts && !clipboard.tryClear(); ++attempt) {
    }
}

bool setClipboardText(Clipboard& clipboard, const QString& text) {
    for (int attempt = 0; attempt < ClipboardAttempts; ++attempt) {
        if (clipboard.trySetText(text))
            return true;
    }
    return false;
}

void copyResultsToClipboard(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton12_Click"));
    bool copied = false, refused = false;
    AlignedSize size;
    p.run(100, [&] {
        if (state.results.isEmpty()) {
            copied = true; // the clipboard keeps what it had
            return;
        }
        size = measureAligned(host.pump, state.results, AlignedSize::Layout::Clipboard);
        if (size.paddingDominates()) {
            refused = true;
            return;
        }
        const QString text = buildClipboardTable(host.pump, state.results);
        clearClipboard(host.clipboard);
        copied = setClipboardText(host.clipboard, text);
    });
    if (refused) {
        p.run(101, [&] {
            host.dialogs.message(
                QStringLiteral("The results were not copied: as aligned text they would take ") +
                size.shownSize() + QStringLiteral(", ") + longestCell(size) +
                QStringLiteral(".\r\rUse \"Save As CSV\" to keep them."));
        });
        return;
    }
    // A copy that failed (reported above, or refused by the clipboard every time) never says it worked.
    p.run(102, [&] {
        host.dialogs.message(
            copied ? QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area "
                                    "where you normally type and press Ctrl+V to paste the clipboard.")
                   : QStringLiteral("Results could not be copied to the clipboard."));
    });
}

void clearResults(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton9_Click"));
    p.run(100, [&] { state.results.clear(); });
}
