#include "Express1.h"

#include "AppError.h"
#include "DBXFiles.h"
#include "ErrorTrap.h"
#include "FileUtilities.h"
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
#include <span>
#include <vector>

namespace
{

// One wait for the page: until it completes or a short while has passed, sleeping
// in the event loop meanwhile instead of spinning.
constexpr int kReadyWaitMs = 10;

const QString kMessageFiles = QStringLiteral("*.eml");

const QString kListedHeaders[] = {QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Subject"),
                                  QStringLiteral("Date")};

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

// The first line (CR LF lines only) that starts with each name and a colon, in one pass
// over the text that ends once every name has its value.
void findHeaderValues(QStringView text, std::span<const QString> names, std::span<QString> values)
{
    std::vector<QString> tags;
    for (const QString& name : names)
        tags.push_back(name + u':');
    std::vector<bool> found(names.size(), false);
    size_t missing = names.size();
    qsizetype start = 0;
    while (missing > 0 && start <= text.size())
    {
        qsizetype end = text.indexOf(u"\r\n", start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.mid(start, end - start);
        for (size_t i = 0; i < tags.size(); ++i)
        {
            if (!found[i] && line.startsWith(tags[i], Qt::CaseSensitive))
            {
                values[i] = trimBlanks(line.mid(tags[i].size())).toString();
                found[i] = true;
                --missing;
            }
        }
        start = end + 2;
    }
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
    // An empty folder would be the current one.
    if (!FileUtilities::IsWorkablePath(folder))
        return;
    const QSet<QString> known(names.begin(), names.end());
    // The work folder holds only what the converter wrote: hidden names too (a .dbx whose
    // name starts with a dot), matched as the deletion matches them.
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
    {
        if (FileUtilities::MatchesWildcard(name, kMessageFiles, Qt::CaseInsensitive))
            files.append(name);
    }
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
            // From, To, Subject, Date: the row's columns.
            QString values[4];
            findHeaderValues(ReadTextFile(folder + u'/' + name), kListedHeaders, values);
            if (values[3].isEmpty())
                continue;
            rows.append({values[0], values[1], values[2], values[3]});
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
    QString value;
    findHeaderValues(text, {&name, 1}, {&value, 1});
    return value;
}

QString Express1::ReadTextFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    // Anything but a regular file (a folder, a pipe that would block) is not a message.
    if (info.isFile() && info.size() == 0)
        return QStringLiteral("empty file");
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
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
