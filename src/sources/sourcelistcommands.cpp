#include "sources/sourcelistcommands.h"

#include "engine/mainstate.h"
#include "engine/matching.h"
#include "engine/procedure.h"
#include "platform/host.h"
#include "sources/filetolist.h"

#include <QVector>

void addOneUrl(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton5_Click"));
    QString answer;
    p.run(100, [&] {
        answer = host.dialogs.prompt(QStringLiteral("Enter web site address to add (such as example.com): "));
    });
    if (p.test(102, [&] { return answer.isEmpty(); }))
        return;
    p.run(104, [&] { state.urls.append(answer); });
}

void loadUrlListFile(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton13_Click"));
    FileDialogRequest request;
    QString chosen;
    p.run(100, [&] { request.fileName.clear(); });
    p.run(102,
          [&] { request.title = QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"); });
    p.run(104, [&] { request.filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"); });
    p.run(106, [&] {
        request.flags = FileDialogFlag::Explorer | FileDialogFlag::LongNames | FileDialogFlag::ReadOnly;
    });
    p.run(108, [&] { chosen = host.dialogs.fileDialog(request); });
    if (p.test(110, [&] { return chosen.isEmpty(); }))
        return;
    if (p.test(112, [&] { return chosen.split(QChar(0)).size() > 1; })) {
        p.run(114, [&] { host.dialogs.message(QStringLiteral("Please select just one file.")); });
        return;
    }
    p.run(116, [&] { FileToList(host.dialogs, state.urls, chosen); });
}

void loadSampleUrls(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton22_Click"));
    if (p.test(100, [&] { return !state.isBusy(); }))
        p.run(102, [&] { state.urls.clear(); });
    p.run(104, [&] { state.urls.append(QStringLiteral("http://www.example.com")); });
    p.run(106, [&] { state.urls.append(QStringLiteral("http://en.wikipedia.org/wiki/Extract")); });
    p.run(108, [&] { state.setText1(QStringLiteral("Extract")); });
}

void clearSourceList(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton11_Click"));
    if (p.test(100, [&] { return !state.isBusy(); }))
        p.run(102, [&] { state.urls.clear(); });
}

namespace {
// One pass over the list and one change of its display, however many entries go.
void removeWhere(UrlList& target, const QString& text, bool containing) {
    target.removeIf([&](const QString& entry) { return containsIgnoringCase(entry, text) == containing; });
}

void removeByPrompt(Host& host, MainState& state, const QString& location, const QString& question,
                    void (*remove)(UrlList&, const QString&)) {
    Procedure p(host.dialogs, location);
    QString answer;
    p.run(100, [&] { answer = host.dialogs.prompt(question); });
    if (p.test(102, [&] { return answer.isEmpty(); }))
        return;
    p.run(104, [&] { state.setPointer(Pointer::Busy); });
    p.run(106, [&] { remove(state.urls, answer); });
    p.run(108, [&] { state.setPointer(Pointer::Default); });
}
} // namespace

void RemoveUrlsContaining(UrlList& target, const QString& text) {
    removeWhere(target, text, true);
}
void RemoveUrlsNotContaining(UrlList& target, const QString& text) {
    removeWhere(target, text, false);
}

void removeUrlsContaining(Host& host, MainState& state) {
    removeByPrompt(host, state, QStringLiteral("Form1.PushButton14_Click"),
                   QStringLiteral("Remove entries containing: "), RemoveUrlsContaining);
}

void removeUrlsNotContaining(Host& host, MainState& state) {
    removeByPrompt(host, state, QStringLiteral("Form1.PushButton15_Click"),
                   QStringLiteral("Remove entries not containing: "), RemoveUrlsNotContaining);
}

void RemoveSelectedUrl(MainState& state, qsizetype selectedPosition) {
    if (!state.isBusy() && !state.urls.isEmpty() && selectedPosition >= 1 &&
        selectedPosition <= state.urls.count())
        state.urls.removeAt(selectedPosition);
}

void RemoveSelectedResult(MainState& state, qsizetype selectedPosition) {
    if (!state.isBusy() && !state.results.isEmpty() && selectedPosition >= 1 &&
        selectedPosition <= state.results.count())
        state.results.removeAt(selectedPosition);
}
