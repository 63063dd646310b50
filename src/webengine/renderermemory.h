#pragma once

#include <QList>
#include <optional>

// Keeps the renderers of the pages being loaded within one memory budget. A renderer may serve several
// pages; its memory counts once, whatever number of pages it serves.
class RendererMemoryGuard {
public:
    // The renderers of all pages being loaded at once may take this much memory together: past it the
    // largest is stopped, so that neither one huge page nor many large ones take the machine.
    static constexpr qint64 LimitMb = 1000;

    struct Verdict {
        qint64 pid = 0;
        qint64 megabytes = 0; // what the renderer to stop takes
        bool alone = false;   // it takes more than the whole budget by itself
    };

    // Whether a look is due at `nowMs`: one every 100 ms. Asking the engine for every load's renderer costs
    // more than the look, and the run asks many times a millisecond while it waits.
    bool due(qint64 nowMs) const { return nowMs - m_lastCheck >= 100; }

    // The renderer to stop, given the renderer of every live load (0 for none); nothing when all fit, or
    // when no look is due.
    std::optional<Verdict> check(const QList<qint64>& pids, qint64 nowMs);

    // What a process keeps resident apart from what it shares (the libraries every renderer maps), in MB.
    static qint64 residentMegabytes(qint64 pid);

private:
    qint64 m_lastCheck = -1000;
};
