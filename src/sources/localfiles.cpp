#include "sources/localfiles.h"

#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/host.h"
#include "shell/settingskeys.h"
#include "sources/folderwalk.h"
#include "sources/paths.h"

void addLocalHtmlFiles(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton10_Click"));
    FileDialogRequest request;
    QString chosen;
    bool tooMany = false;
    p.run(100, [&] { request.fileName.clear(); });
    p.run(102, [&] { request.title = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"); });
    p.run(104, [&] {
        request.filter = QStringLiteral("HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*|");
    });
    p.run(106, [&] {
        request.flags = FileDialogFlag::Explorer | FileDialogFlag::LongNames |
                        FileDialogFlag::AllowMultiSelect | FileDialogFlag::ReadOnly;
    });
    p.run(108, [&] {
        try {
            chosen = host.dialogs.fileDialog(request);
        } catch (const SelectionTooLarge&) {
            tooMany = true;
        }
    });
    if (tooMany) {
        p.run(110, [&] {
            host.dialogs.message(
                QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the "
                               "\"Add All\" button."));
        });
        return;
    }
    if (p.test(112, [&] { return chosen.isEmpty(); }))
        return;
    QStringList pieces;
    p.run(114, [&] { pieces = chosen.split(QChar(0)); });
    if (p.test(116, [&] { return pieces.size() == 1; })) {
        p.run(118, [&] { state.urls.append(pieces.first()); });
        return;
    }
    // A folder followed by names: each joined to the folder with the folder's own separator.
    const QString folder = pieces.value(0);
    const QChar separator = folder.startsWith(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\');
    for (qsizetype i = 1; i < pieces.size(); ++i)
        p.run(120, [&] { state.urls.append(CollapseSeparators(folder + separator + pieces[i])); });
}

void addHtmlFilesInFolder(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton7_Click"));
    QString extension;
    p.run(100, [&] {
        extension = host.dialogs.prompt(
            QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all "
                           "txt files, doc for all doc files, etc.)"),
            Settings::readExtension(host.settings));
    });
    if (p.test(102, [&] { return extension.isEmpty(); }))
        return;
    p.run(104, [&] { Settings::writeExtension(host.settings, extension); });
    QString folder;
    p.run(106, [&] {
        folder = host.dialogs.browseForFolder(QStringLiteral("Please select folder:"),
                                              Settings::readLastFolder(host.settings));
    });
    if (p.test(108, [&] { return folder.isEmpty(); }))
        return;
    p.run(110, [&] { Settings::writeLastFolder(host.settings, folder); });
    p.run(112, [&] { state.setPointer(Pointer::Busy); });
    collectFolder(host, state, folder, extension);
    p.run(120, [&] { state.setPointer(Pointer::Default); });
}

void collectFolder(Host& host, MainState& state, const QString& folder, const QString& extension) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton7_Click"));
    FileSystem& fs = host.files;
    const QChar separator = fs.separator();
    QStringList queue;
    p.run(114, [&] {
        queue << (folder.endsWith(separator) ? folder : folder + separator);
        GetSubDirectories2016(host, queue, true);
    });
    const QString pattern = QStringLiteral("*.") + extension;
    for (const QString& entry : std::as_const(queue)) {
        // A root folder keeps its separator; any other loses it here and gets it back when joined.
        const QString dir = entry.size() > 1 && entry.endsWith(separator) ? entry.chopped(1) : entry;
        QStringList names;
        p.run(116, [&] { names = ListFilesInFolder(host, dir, pattern); });
        for (const QString& name : std::as_const(names)) {
            p.run(118, [&] {
                if (name.startsWith(QLatin1Char('~')))
                    return;
                const QString path = dir.endsWith(separator) ? dir + name : dir + separator + name;
                if (fs.isOpenableFile(path) &&
                    fs.attributes(path) != (FileAttribute::Archive | FileAttribute::Hidden))
                    state.urls.append(CollapseSeparators(path));
            });
        }
    }
}
