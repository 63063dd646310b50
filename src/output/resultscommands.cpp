#include "output/resultscommands.h"

#include "engine/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "output/alignedtable.h"
#include "output/textfilewriter.h"
#include "platform/host.h"
#include "sources/filetolist.h"

namespace {
// The save dialog and the overwrite question both saves share. Empty when the user changed their mind.
QString askForTarget(Procedure& p, Host& host)
{
    FileDialogRequest request;
    QString path;
    p.run(100, [&] { request.fileName.clear(); });
    p.run(102, [&] {
        request.kind = FileDialogRequest::Kind::Save;
        request.flags = FileDialogFlag::Explorer | FileDialogFlag::LongNames | FileDialogFlag::AllowMultiSelect |
                        FileDialogFlag::ReadOnly;
    });
    p.run(104, [&] { request.title = QStringLiteral("Save"); });
    p.run(106, [&] { request.filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"); });
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
} // namespace

void PushButton6_Click(Host& host, MainState& state)
{
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton6_Click"));
    const QString path = askForTarget(p, host);
    if (path.isEmpty())
        return;
    p.run(116, [&] { state.setPointer(Pointer::Busy); });
    p.run(118, [&] {
        StatusLineProgress progress(state);
        TextFileWriter file;
        SaveListviewProperlySpaced(host.dialogs, host.pump, state.results, path, &progress, file);
    });
    p.run(120, [&] { state.setPointer(Pointer::Default); });
}

void PushButton1_Click(Host& host, MainState& state)
{
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton1_Click"));
    const QString path = askForTarget(p, host);
    if (path.isEmpty())
        return;
    p.run(116, [&] { state.setPointer(Pointer::Busy); });
    TextFileWriter file;
    p.run(118, [&] { file.create(path); });
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

void clearClipboard(Clipboard& clipboard)
{
    for (int attempt = 0; attempt < ClipboardAttempts && !clipboard.tryClear(); ++attempt) {
    }
}

bool setClipboardText(Clipboard& clipboard, const QString& text)
{
    for (int attempt = 0; attempt < ClipboardAttempts; ++attempt) {
        if (clipboard.trySetText(text))
            return true;
    }
    return false;
}

void PushButton12_Click(Host& host, MainState& state)
{
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton12_Click"));
    bool copied = false;
    p.run(100, [&] {
        if (state.results.isEmpty()) {
            copied = true; // the clipboard keeps what it had
            return;
        }
        const QString text = buildClipboardTable(host.pump, state.results);
        clearClipboard(host.clipboard);
        copied = setClipboardText(host.clipboard, text);
    });
    // A copy that failed (reported above, or refused by the clipboard every time) never says it worked.
    p.run(102, [&] {
        host.dialogs.message(copied ? QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area "
                                                     "where you normally type and press Ctrl+V to paste the clipboard.")
                                    : QStringLiteral("Results could not be copied to the clipboard."));
    });
}

void PushButton9_Click(Host& host, MainState& state)
{
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton9_Click"));
    p.run(100, [&] { state.results.clear(); });
}
