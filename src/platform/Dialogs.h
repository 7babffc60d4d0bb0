#pragma once

#include <QString>
#include <QStringList>
#include <optional>

/// Message boxes, the input box and file dialogs. The program shows them through
/// this interface so that tests can answer and record them.
class Dialogs
{
public:
    enum class Icon
    {
        None,
        Exclamation,
        Information,
        Critical,
    };

    struct OpenFileRequest
    {
        QString title;
        QString filter; ///< "Description (*.pst)" entries separated by ";;"
        QString initialDir;
        bool multiSelect = false;
    };

    virtual ~Dialogs() = default;
    /// An OK-only message box; an empty title means the application title.
    virtual void message(const QString& text, const QString& title, Icon icon) = 0;
    /// An input box; nothing when the user cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& proposed) = 0;
    /// An open-file dialog; the chosen paths, empty when cancelled.
    virtual QStringList openFiles(const OpenFileRequest& request) = 0;
};
