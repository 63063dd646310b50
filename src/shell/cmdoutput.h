#pragma once

#include <QString>

class EventPump;
class ProcessRunner;
struct Host;

// Runs a command line (split at blanks, no shell) and returns what it wrote to the wanted streams, or
// "Failed to create process, check the path of the command line." when it cannot be started, or the empty
// text when no pipe could be made. Asking for neither stream throws Failure (error 5) and starts nothing.
QString CaptureCommandOutput(ProcessRunner& runner, EventPump& pump, const QString& commandLine,
                             bool captureOutput, bool captureErrors, bool convertFromOem);

// Pings a public host once; warns when no reply came back. Always ends.
void ConnectivityCheck(Host& host);
