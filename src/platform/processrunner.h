#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>

// Starts a program with its standard output and/or error connected to one pipe and reads the pipe to its end.
class ProcessRunner {
public:
    enum class Outcome { Finished, PipeFailed, StartFailed };

    virtual ~ProcessRunner() = default;
    // `betweenReads` runs before every read; `onChunk` gets every chunk read, in order.
    virtual Outcome run(const QStringList& arguments, bool captureOutput, bool captureErrors,
                        const std::function<void()>& betweenReads,
                        const std::function<void(const QByteArray&)>& onChunk) = 0;
};
