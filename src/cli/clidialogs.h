#pragma once

#include "platform/dialogs.h"

#include <QTextStream>

// Message boxes of a run as lines on standard error; nothing is ever asked.
class CliDialogs : public Dialogs {
public:
    explicit CliDialogs(bool verbose) : m_verbose(verbose), m_err(stderr) {}
    int errorReports() const { return m_reports; }

    QString fileDialog(const FileDialogRequest&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }

    // One line: CR LF, CR and LF each shown as " | ".
    static QString oneLine(const QString& text);

protected:
    MessageAnswer showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                              const QString& title) override;
    QString showPrompt(const QString&, const QString&, const QString&) override { return {}; }

private:
    bool m_verbose;
    int m_reports = 0;
    QTextStream m_err;
};
