#pragma once

#include "platform/processrunner.h"

// posix_spawnp with one pipe for the wanted streams; standard input reads from /dev/null.
class PosixProcessRunner : public ProcessRunner {
public:
    Outcome run(const QStringList& arguments, bool captureOutput, bool captureErrors,
                const std::function<void()>& betweenReads,
                const std::function<void(const QByteArray&)>& onChunk) override;
};
