#pragma once

#include <QString>
#include <functional>
#include <utility>

class Dialogs;

// Runs the numbered statements of one command procedure. A statement that fails is shown as an error report
// naming this procedure and the statement's number, and the procedure goes on with its next statement.
class Procedure {
public:
    static QString defaultModule() { return QStringLiteral("Vantrel2021/08/31."); }

    // `location` is the window or module and the procedure: "Form1.PushButton3_Click".
    Procedure(Dialogs& dialogs, QString location, QString module = defaultModule());

    template <class F> void run(int line, F&& statement) {
        try {
            injectFault(line);
            std::forward<F>(statement)();
        } catch (...) {
            handleFailure(line);
        }
    }

    // A branch test: when evaluating it fails, the failure is reported and the guarded branch runs.
    template <class F> bool test(int line, F&& condition) {
        try {
            injectFault(line);
            return std::forward<F>(condition)();
        } catch (...) {
            handleFailure(line);
            return true;
        }
    }

    // A branch test written the other way round: the guarded branch runs when the condition is false, and,
    // as with every branch test, when evaluating it fails.
    template <class F> bool testNot(int line, F&& condition) {
        try {
            injectFault(line);
            return !std::forward<F>(condition)();
        } catch (...) {
            handleFailure(line);
            return true;
        }
    }

    // The error report for a failure described by `description` at `line`, without a thrown failure.
    void report(int line, const QString& description);
    // Sends this procedure's reports to `sink` instead of a message box.
    void setReportSink(std::function<void(int line, const QString& description)> sink) {
        m_sink = std::move(sink);
    }
    static QString reportText(const QString& description, const QString& module, const QString& location,
                              int line);

    // Lets a test make any statement fail as if its own work had failed: the hook is called before each
    // statement with the procedure and the statement number, and may throw. The program never sets it.
    using FaultHook = std::function<void(const QString& location, int line)>;
    static void setFaultHook(FaultHook hook) { s_faultHook = std::move(hook); }

private:
    void handleFailure(int line); // rethrows AppClosingUnwind
    void injectFault(int line) const {
        if (s_faultHook) [[unlikely]]
            s_faultHook(m_location, line);
    }

    static inline FaultHook s_faultHook;

    Dialogs& m_dialogs;
    QString m_location;
    QString m_module;
    std::function<void(int, const QString&)> m_sink;
};
