#pragma once
// The dialog double: records every message box and answers choosers from queues.
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include "base/Dialogs.h"

namespace vantrel::test {

class ScriptedDialogs final : public Dialogs {
public:
    struct Message {
        QString title;
        QString text;
        Icon icon;
    };
    struct Request {
        QString kind;  // "open", "save", "folder"
        QString title;
        QString filterOrFolder;
        bool multiple = false;
    };

    void message(const QString& title, const QString& text, Icon icon) override {
        messages.append({title, text, icon});
    }
    QStringList openFiles(const QString& title, const QString& filter, bool multiple) override {
        requests.append({QStringLiteral("open"), title, filter, multiple});
        return openAnswers.isEmpty() ? QStringList{} : openAnswers.dequeue();
    }
    QString saveFile(const QString& title, const QString& filter) override {
        requests.append({QStringLiteral("save"), title, filter, false});
        return pathAnswers.isEmpty() ? QString{} : pathAnswers.dequeue();
    }
    QString browseForFolder(const QString& title, const QString& initialFolder) override {
        requests.append({QStringLiteral("folder"), title, initialFolder, false});
        return pathAnswers.isEmpty() ? QString{} : pathAnswers.dequeue();
    }

    QList<Message> messages;
    QList<Request> requests;
    QQueue<QStringList> openAnswers;  // an empty list answers "cancel"
    QQueue<QString> pathAnswers;      // save and folder answers; empty = cancel
};

}  // namespace vantrel::test
