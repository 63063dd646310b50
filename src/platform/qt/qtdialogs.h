#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>

// Qt's own message box, input dialog, file dialogs and folder dialog.
class QtDialogs : public Dialogs {
public:
    // Dialogs are modal over `parent` once it is set.
    void setParent(QWidget* parent) { m_parent = parent; }

    QString fileDialog(const FileDialogRequest& request) override;
    QString browseForFolder(const QString& message, const QString& startFolder) override;

protected:
    MessageAnswer showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                              const QString& title) override;
    QString showPrompt(const QString& text, const QString& defaultAnswer, const QString& title) override;

private:
    QPointer<QWidget> m_parent;
};
