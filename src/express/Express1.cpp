#include "Express1.h"

#include "AppError.h"
#include "DBXFiles.h"
#include "ErrorTrap.h"
#include "MessagePrinter.h"
#include "ReportListModel.h"
#include "WebBrowser.h"
#include "modRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTimer>
#include <optional>

namespace
{

// One wait for the page: until it completes or a short while has passed, sleeping
// in the event loop meanwhile instead of spinning.
constexpr int kReadyWaitMs = 10;

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

} // namespace

void Express1::SearchIdentities()
{
    ErrorTrap trap(m_dialogs, QStringLiteral("Express1.SearchIdentities"));
    modRegistry registry(m_registry, m_dialogs);
    std::optional<DBXFiles> files;
    // A failed discovery must not leave an earlier search's folders in place.
    StoreFolders.clear();
    trap.step(100, [&] {
        files.emplace(registry, m_prefix);
        StoreFolders = files->GetStoreFolder();
    });
    if (trap.test(102, [&] { return StoreFolders.size() - 1 <= 0; }))
        return;
    for (qsizetype i = 0; i + 1 < StoreFolders.size(); ++i)
    {
        QStringList found;
        trap.step(106, [&] { found = files->GetDBXFilesInPath(StoreFolders[i]); });
        // n is the spare blank entry the previous batch left: the next batch starts there.
        const qsizetype n = FoundDbxFiles.isEmpty() ? 0 : FoundDbxFiles.size() - 1;
        if (!trap.test(114, [&] { return !found.isEmpty(); }))
            continue;
        for (qsizetype j = 0; j < found.size(); ++j)
        {
            trap.step(118, [&] {
                FoundDbxFiles.resize(n + j + 1);
                FoundDbxFiles[n + j] = found[j];
            });
        }
    }
}

void Express1::ListEmlFiles(const QString& folder, ReportListModel& grid, QStringList& names)
{
    const QSet<QString> known(names.begin(), names.end());
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
    QList<QStringList> rows;
    // Rows are added as they are read, in batches, so an error keeps what came before it.
    auto flush = [&] {
        grid.addRows(rows);
        rows.clear();
    };
    try
    {
        for (const QString& name : files)
        {
            if (known.contains(name))
                continue;
            const QString text = ReadTextFile(folder + u'/' + name);
            const QString date = GetHeaderValue(text, QStringLiteral("Date"));
            if (date.isEmpty())
                continue;
            rows.append({GetHeaderValue(text, QStringLiteral("From")), GetHeaderValue(text, QStringLiteral("To")),
                         GetHeaderValue(text, QStringLiteral("Subject")), date});
            names.append(name);
        }
    }
    catch (...)
    {
        flush();
        throw;
    }
    flush();
}

QString Express1::GetHeaderValue(QStringView text, const QString& name)
{
    const QString tag = name + u':';
    qsizetype start = 0;
    while (start <= text.size())
    {
        qsizetype end = text.indexOf(u"\r\n", start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.mid(start, end - start);
        if (line.startsWith(tag, Qt::CaseSensitive))
            return trimBlanks(line.mid(tag.size())).toString();
        start = end + 2;
    }
    return {};
}

QString Express1::ReadTextFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isFile() && info.size() == 0)
        return QStringLiteral("empty file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(75, QStringLiteral("Vellumtide"), QStringLiteral("Path/File access error"));
    return QString::fromLatin1(file.readAll());
}

void Express1::PrintMessageFile(WebBrowser& browser, const QString& path)
{
    browser.Navigate(path);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    for (int waits = 0; browser.ReadyState() != WebBrowser::ReadyStateComplete && waits < kMaxReadyWaits; ++waits)
    {
        QEventLoop wait;
        QObject::connect(&browser, &WebBrowser::DocumentComplete, &wait, &QEventLoop::quit);
        QTimer::singleShot(kReadyWaitMs, &wait, &QEventLoop::quit);
        if (browser.ReadyState() != WebBrowser::ReadyStateComplete)
            wait.exec();
    }
    const bool printed = browser.ExecWB(WebBrowser::CommandPrint, WebBrowser::OptionDontPromptUser);
    Render::MessagePrinter::releaseFreedMemory();
    if (!printed)
        throw AppError(static_cast<qint32>(0x80004005u), QStringLiteral("WebBrowser"), browser.lastError());
}
