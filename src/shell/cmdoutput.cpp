#include "shell/cmdoutput.h"

#include "base/failure.h"
#include "platform/host.h"

QString CaptureCommandOutput(ProcessRunner& runner, EventPump& pump, const QString& commandLine,
                             bool captureOutput, bool captureErrors, bool convertFromOem) {
    if (!captureOutput && !captureErrors)
        throw Failure(QStringLiteral("Invalid procedure call or argument"));
    Q_UNUSED(convertFromOem); // one console encoding here: the locale's, for both kinds of output

    QByteArray bytes;
    const auto outcome = runner.run(
        commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts), captureOutput, captureErrors,
        [&pump] { pump.processPendingEvents(); }, [&bytes](const QByteArray& chunk) { bytes += chunk; });
    switch (outcome) {
    case ProcessRunner::Outcome::PipeFailed:
        return {};
    case ProcessRunner::Outcome::StartFailed:
        return QStringLiteral("Failed to create process, check the path of the command line.");
    case ProcessRunner::Outcome::Finished:
        break;
    }
    // Decoded once at the end, so that a character split between two reads stays whole.
    return QString::fromLocal8Bit(bytes);
}

void ConnectivityCheck(Host& host) {
    const QString output = CaptureCommandOutput(
        host.processes, host.pump, QStringLiteral("ping -c 1 -W 2 www.wikipedia.org"), true, false, true);
    // An empty answer (no pipe, or a silent ping) counts as offline: the check must end.
    const bool replied = output.contains(QStringLiteral("bytes from"), Qt::CaseInsensitive) ||
                         output.contains(QStringLiteral("bytes="), Qt::CaseInsensitive);
    if (!replied)
        host.dialogs.message(QStringLiteral("You must be online to use this software accurately."));
}
