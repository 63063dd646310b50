#include "sources/folderwalk.h"

#include "engine/procedure.h"
#include "platform/host.h"
#include "sources/paths.h"

namespace {
constexpr qsizetype MaxPath = 260;

// The folder the user chose is walked even when it is a link; links below it never are.
bool qualifies(FileSystem& fs, const QString& folder, bool chosen = false) {
    if (fs.isRoot(folder))
        return true;
    int attributes = fs.attributes(folder);
    if (chosen)
        attributes &= ~FileAttribute::ReparsePoint;
    return attributes != 22 && attributes != 1046 && !(attributes & FileAttribute::ReparsePoint);
}
} // namespace

void GetSubDirectories2016(Host& host, QStringList& queue, bool recurse, bool chosen) {
    Procedure p(host.dialogs, QStringLiteral("AddFolder.GetSubDirectories2016"),
                QStringLiteral("Dornwell2021/08/31."));
    FileSystem& fs = host.files;
    QStringList found;

    const QStringList folders = queue;
    for (const QString& folder : folders) {
        // A test that fails is reported and taken as passed, as everywhere.
        if (!p.test(100, [&] { return fs.isFolder(folder) && folder.size() < MaxPath; }))
            continue;
        p.run(102, [&] { host.pump.processPendingEvents(); });
        if (!p.test(104, [&] { return qualifies(fs, folder, chosen); }))
            continue;
        p.run(106, [&] {
            QVector<SubFolder> subs;
            try {
                subs = fs.subFolders(folder);
            } catch (const ListingFailure& failure) {
                // What was listed before a failure part-way stays. A folder we may not read, or one that
                // vanished meanwhile, is dropped without a word.
                subs = failure.listed();
                if (failure.errorNumber() == 70 || failure.errorNumber() == 76)
                    queue.removeOne(folder);
            }
            for (const SubFolder& sub : std::as_const(subs)) {
                host.pump.processPendingEvents();
                const QString& name = sub.name;
                if (name.size() < MaxPath && !HasUnsafeCharacters(name) && !name.contains(QLatin1Char('?')) &&
                    name != QStringLiteral(".") && name != QStringLiteral(".."))
                    found << folder + name + fs.separator();
            }
        });
    }
    if (recurse && !found.isEmpty())
        p.run(108, [&] { GetSubDirectories2016(host, found, true, false); });
    for (const QString& folder : std::as_const(found)) {
        if (p.test(110, [&] { return fs.isFolder(folder); })) {
            p.run(112, [&] { host.pump.processPendingEvents(); });
            if (p.test(114, [&] { return qualifies(fs, folder); }))
                p.run(116, [&] { queue << folder; });
        }
    }
}

QStringList ListFilesInFolder(Host& host, const QString& folder, const QString& pattern) {
    FileSystem& fs = host.files;
    const QString base = folder.endsWith(fs.separator()) ? folder : folder + fs.separator();
    QStringList kept;
    for (const QString& name : fs.files(base, pattern)) {
        if (fs.isOpenableFile(base + name))
            kept << name;
    }
    return kept;
}
