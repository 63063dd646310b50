#include "platform/qt/qtdialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

MessageAnswer QtDialogs::showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                                     const QString& title)
{
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    toDisplayLines(text),
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    m_parent);
    box.setTextFormat(Qt::PlainText); // page text may look like markup
    // A short text makes a box narrower than its own title, which the window frame then cuts: the text's
    // label is given the title's width and room for the frame's buttons.
    const int titleWidth = box.fontMetrics().horizontalAdvance(title) + 160;
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }").arg(titleWidth));
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtDialogs::showPrompt(const QString& text, const QString& defaultAnswer, const QString& title)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent, title, toDisplayLines(text), QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::fileDialog(const FileDialogRequest& request)
{
    QFileDialog dialog(m_parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // the save commands ask their own question
    dialog.setNameFilters(toQtNameFilters(request.filter));
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode((request.flags & FileDialogFlag::AllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                                : QFileDialog::AnyFile);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.size() > MaxSelection)
        throw SelectionTooLarge();
    return joinSelection(files);
}

QString QtDialogs::browseForFolder(const QString& message, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(m_parent, message, startFolder,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}
