#pragma once

#include "Dialogs.h"

class QWidget;

/// The real message boxes and file dialogs.
class QtDialogs : public Dialogs
{
public:
    void message(const QString& text, const QString& title, Icon icon) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& proposed) override;
    QStringList openFiles(const OpenFileRequest& request) override;

    /// The texts use CR LF and lone CR as line breaks; a label wants LF.
    static QString displayText(const QString& text);
};
