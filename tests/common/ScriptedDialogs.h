#pragma once

#include "Dialogs.h"

#include <QCoreApplication>
#include <QList>
#include <QQueue>

/// Dialogs for tests: records every message and answers inputs and file dialogs
/// from queues (an empty queue answers "cancelled").
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString text;
        QString title; ///< the application title where the caller gave none
        Icon icon = Icon::None;
    };

    void message(const QString& text, const QString& title, Icon icon) override
    {
        shown.append({text, title.isEmpty() ? QCoreApplication::applicationName() : title, icon});
    }

    std::optional<QString> input(const QString& prompt, const QString& title, const QString& proposed) override
    {
        shown.append({prompt, title.isEmpty() ? QCoreApplication::applicationName() : title, Icon::None});
        if (inputAnswers.isEmpty())
            return std::nullopt;
        const QString answer = inputAnswers.dequeue();
        return answer.isNull() ? proposed : answer;
    }

    QStringList openFiles(const OpenFileRequest& request) override
    {
        fileRequests.append(request);
        return fileAnswers.isEmpty() ? QStringList() : fileAnswers.dequeue();
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown& item : shown)
            result.append(item.text);
        return result;
    }

    QList<Shown> shown;
    QQueue<QString> inputAnswers;
    QQueue<QStringList> fileAnswers;
    QList<OpenFileRequest> fileRequests;
};
