#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QThread;

namespace Render
{
class MessageDocument;
}

/// Shows a message file and prints it, in the place of the embedded web browser the
/// Outlook Express window drives: load by path, poll the ready state, print on command.
class WebBrowser : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReadyStateUninitialized = 0;
    static constexpr int ReadyStateLoading = 1;
    static constexpr int ReadyStateComplete = 4;
    static constexpr int CommandPrint = 6;         // OLECMDID_PRINT
    static constexpr int OptionDontPromptUser = 2; // OLECMDEXECOPT_DONTPROMPTUSER

    explicit WebBrowser(QObject* parent = nullptr);
    ~WebBrowser() override;

    /// Starts loading and laying out the message file at `path`; returns at once.
    void Navigate(const QString& path);

    /// 0 before the first Navigate, 1 while loading, 4 when the document is complete
    /// (also when the file could not be read: the page then says why).
    int ReadyState() const { return m_readyState; }

    /// Runs a browser command; only printing (6) is known, always without a dialog, on
    /// the default printer. Waits for a pending load first. False with lastError() on failure.
    bool ExecWB(int command, int option);

    /// The path of the last Navigate.
    QString LocationURL() const { return m_location; }

    /// Why the last load or command failed; empty when it did not.
    QString lastError() const { return m_lastError; }

    /// The current page, for showing or inspection; null before the first load completes.
    Render::MessageDocument* document() const { return m_document.get(); }

Q_SIGNALS:
    /// The page of `path` is complete (ReadyState() is 4).
    void DocumentComplete(const QString& path);

private:
    struct Load;
    void complete(const std::shared_ptr<Load>& load);
    void finishPendingLoad();

    std::shared_ptr<Render::MessageDocument> m_document;
    std::shared_ptr<Load> m_pending;
    QList<QPointer<QThread>> m_loaders;
    QString m_location;
    QString m_lastError;
    int m_readyState = ReadyStateUninitialized;
};
