#pragma once

#include "platform/dialogs.h"

#include <QQueue>
#include <QVector>

// Records every dialog with what it showed, and answers from scripted queues.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        MessageButtons buttons;
        MessageIcon icon;
        QString title;
    };
    struct Prompt {
        QString text;
        QString defaultAnswer;
        QString title;
    };

    QVector<Message> messages;
    QVector<Prompt> prompts;
    QVector<FileDialogRequest> fileRequests;
    QQueue<QString> promptAnswers; // empty queue: the prompt is cancelled
    QQueue<MessageAnswer> answers; // empty queue: OK, or No for a question
    QQueue<QString> fileAnswers;   // empty queue: the dialog is cancelled
    QQueue<QString> folderAnswers;

    QStringList texts() const {
        QStringList all;
        for (const Message& m : messages)
            all << m.text;
        return all;
    }
    QVector<Message> errorReports() const {
        QVector<Message> reports;
        for (const Message& m : messages)
            if (m.title == QStringLiteral("Application Error"))
                reports << m;
        return reports;
    }

    QString fileDialog(const FileDialogRequest& request) override {
        fileRequests << request;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    QString browseForFolder(const QString&, const QString&) override {
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }

protected:
    MessageAnswer showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                              const QString& title) override {
        messages << Message{text, buttons, icon, title};
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    QString showPrompt(const QString& text, const QString& defaultAnswer, const QString& title) override {
        prompts << Prompt{text, defaultAnswer, title};
        return promptAnswers.isEmpty() ? QString() : promptAnswers.dequeue();
    }
};
