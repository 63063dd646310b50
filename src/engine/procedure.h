#pragma once

#include <QString>
#include <utility>

class Dialogs;

// Runs the numbered statements of one command procedure. A statement that fails is shown as an error report
// naming this procedure and the statement's number, and the procedure goes on with its next statement.
class Procedure {
public:
    static QString defaultModule() { return QStringLiteral("Vantrel2021/08/31."); }

    // `location` is the window or module and the procedure: "Form1.PushButton3_Click".
    Procedure(Dialogs& dialogs, QString location, QString module = defaultModule());

    template <class F> void run(int line, F&& statement)
    {
        try {
            std::forward<F>(statement)();
        } catch (...) {
            handleFailure(line);
        }
    }

    // A branch test: when evaluating it fails, the failure is reported and the guarded branch runs.
    template <class F> bool test(int line, F&& condition)
    {
        try {
            return std::forward<F>(condition)();
        } catch (...) {
            handleFailure(line);
            return true;
        }
    }

    // The error report for a failure described by `description` at `line`, without a thrown failure.
    void report(int line, const QString& description);
    static QString reportText(const QString& description, const QString& module, const QString& location,
                              int line);

private:
    void handleFailure(int line); // rethrows AppClosingUnwind

    Dialogs& m_dialogs;
    QString m_location;
    QString m_module;
};
