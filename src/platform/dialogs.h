#pragma once

#include "base/failure.h"

#include <QString>
#include <QStringList>

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning };
enum class MessageAnswer { Ok, Yes, No };

// Option bits of the file dialog, with the values the callers have always passed.
namespace FileDialogFlag {
constexpr quint32 ReadOnly = 0x1;
constexpr quint32 AllowMultiSelect = 0x200;
constexpr quint32 Explorer = 0x80000;
constexpr quint32 LongNames = 0x200000;
} // namespace FileDialogFlag

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString filter; // "Label|pattern|Label|pattern|", patterns may be "*.htm;*.html"
    quint32 flags = 0;
    QString fileName; // initial name
};

// Message boxes, the one-line prompt, the file dialogs and the folder browser. All modal.
// A multiple selection that does not fit the dialog's result (error 20476).
class SelectionTooLarge : public Failure {
public:
    SelectionTooLarge() : Failure(QStringLiteral("Buffer too small")) {}
};

class Dialogs {
public:
    static constexpr int MaxSelection = 100'000;

    virtual ~Dialogs() = default;

    // An empty title means the ApplicationTitle.
    MessageAnswer message(const QString& text, MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None, const QString& title = {});
    // The text as typed, or the empty text on Cancel.
    QString prompt(const QString& text, const QString& defaultAnswer = {}, const QString& title = {});
    // The chosen path; for several files the folder, NUL, and the names joined by NUL. Empty on Cancel.
    // Throws SelectionTooLarge for more than MaxSelection files.
    virtual QString fileDialog(const FileDialogRequest& request) = 0;
    // The chosen folder, or empty on Cancel.
    virtual QString browseForFolder(const QString& message, const QString& startFolder) = 0;

protected:
    virtual MessageAnswer showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                                      const QString& title) = 0;
    virtual QString showPrompt(const QString& text, const QString& defaultAnswer, const QString& title) = 0;
};

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as Qt name filters: "Text Files (*.txt) (*.txt)", …
QStringList toQtNameFilters(const QString& filterList);
// One path stays a path; several paths become the folder, NUL, and the names separated by NUL.
QString joinSelection(const QStringList& paths);
// Message text with CR or CR LF line breaks, as plain text with LF breaks.
QString toDisplayLines(const QString& text);
