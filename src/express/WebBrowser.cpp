#include "WebBrowser.h"

#include "MessageDocument.h"
#include "MessagePrinter.h"
#include "MimeReader.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

struct WebBrowser::Load
{
    QString path;
    Render::Message message;
    QString error;
    bool ok = false;
    std::atomic<bool> done{false};
};

WebBrowser::WebBrowser(QObject* parent) : QObject(parent) {}

WebBrowser::~WebBrowser()
{
    // A loader only touches its own Load, but its QThread must not outlive us running.
    for (const QPointer<QThread>& thread : std::as_const(m_loaders))
        if (thread)
            thread->wait();
}

void WebBrowser::Navigate(const QString& path)
{
    m_location = path;
    m_lastError.clear();
    m_readyState = ReadyStateLoading;
    auto load = std::make_shared<Load>();
    load->path = path;
    m_pending = load;

    // Parsing a large message takes time: do it beside the window's thread. The
    // layout itself needs fonts, so it runs here once the parse is done.
    QThread* thread = QThread::create([load] {
        load->ok = Render::MimeReader::readFile(load->path, load->message, &load->error);
        load->done = true;
    });
    connect(thread, &QThread::finished, this, [this, load] {
        if (m_pending == load)
            complete(load);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_loaders.removeAll(nullptr);
    m_loaders.append(thread);
    thread->start();
}

void WebBrowser::complete(const std::shared_ptr<Load>& load)
{
    m_pending.reset();
    Render::Message shown;
    if (load->ok)
    {
        shown = std::move(load->message);
    }
    else
    {
        // What cannot be shown is still a page: it names the file and the reason.
        m_lastError = load->error;
        shown.subject = QStringLiteral("Cannot show %1").arg(load->path);
        shown.textBody = QStringLiteral("The message file\n%1\ncould not be shown: %2.").arg(load->path, load->error);
    }
    auto doc = std::make_shared<Render::MessageDocument>();
    doc->setMessage(shown);
    m_document = doc;
    m_readyState = ReadyStateComplete;
    Q_EMIT DocumentComplete(load->path);
}

void WebBrowser::finishPendingLoad()
{
    if (!m_pending)
        return;
    std::shared_ptr<Load> load = m_pending;
    // The parse always ends; keep the window alive while it runs.
    while (!load->done)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    if (m_pending == load)
        complete(load);
}

bool WebBrowser::ExecWB(int command, int option)
{
    Q_UNUSED(option) // there is no print dialog to show or skip
    m_lastError.clear();
    if (command != CommandPrint)
    {
        m_lastError = QStringLiteral("command %1 is not supported").arg(command);
        return false;
    }
    if (m_readyState == ReadyStateUninitialized)
    {
        m_lastError = QStringLiteral("nothing has been loaded");
        return false;
    }
    finishPendingLoad();
    // Hold the page while printing: printing lets events through, and one of them may navigate.
    const std::shared_ptr<Render::MessageDocument> doc = m_document;
    if (!doc)
    {
        m_lastError = QStringLiteral("nothing has been loaded");
        return false;
    }
    QString error;
    if (!Render::MessagePrinter::toPrinter(*doc, QString(), &error))
    {
        m_lastError = error;
        return false;
    }
    return true;
}
