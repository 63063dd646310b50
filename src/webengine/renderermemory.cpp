#include "webengine/renderermemory.h"

#include <QFile>
#include <QHash>
#include <unistd.h>

std::optional<RendererMemoryGuard::Verdict> RendererMemoryGuard::check(const QList<qint64>& pids,
                                                                       qint64 nowMs) {
    if (!due(nowMs))
        return std::nullopt;
    m_lastCheck = nowMs;
    QHash<qint64, qint64> sizes;
    Verdict largest;
    qint64 total = 0;
    for (const qint64 pid : pids) {
        if (pid <= 0 || sizes.contains(pid))
            continue;
        const qint64 size = residentMegabytes(pid);
        sizes.insert(pid, size);
        total += size;
        if (largest.pid == 0 || size > largest.megabytes)
            largest = {pid, size, false};
    }
    if (largest.pid == 0 || total <= LimitMb)
        return std::nullopt;
    largest.alone = largest.megabytes > LimitMb;
    return largest;
}

qint64 RendererMemoryGuard::residentMegabytes(qint64 pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 3)
        return 0;
    return (fields[1].toLongLong() - fields[2].toLongLong()) * sysconf(_SC_PAGESIZE) / (qint64(1) << 20);
}
