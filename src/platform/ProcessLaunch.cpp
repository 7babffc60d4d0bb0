#include "ProcessLaunch.h"

#include "ProcessLauncher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace ProcessLaunch
{

namespace
{

constexpr int kPollMs = 100;
constexpr int kDefaultStyle = 6;

} // namespace

QString GetShortFileName(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return info.exists() || info.isSymLink() ? path : QString();
}

QStringList SplitCommandLine(const QString& commandLine)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i)
    {
        const QChar c = commandLine[i];
        if (c == u'\\')
        {
            qsizetype run = 0;
            while (i + run < commandLine.size() && commandLine[i + run] == u'\\')
                ++run;
            inArgument = true;
            if (i + run < commandLine.size() && commandLine[i + run] == u'"')
            {
                current.append(QString(run / 2, u'\\'));
                if (run % 2)
                {
                    current.append(u'"');
                    i += run; // the quote is taken
                    continue;
                }
                i += run - 1; // the quote groups, next pass
                continue;
            }
            current.append(QString(run, u'\\'));
            i += run - 1;
            continue;
        }
        if (c == u'"')
        {
            inArgument = true;
            if (quoted && i + 1 < commandLine.size() && commandLine[i + 1] == u'"')
            {
                current.append(u'"');
                ++i;
                continue;
            }
            quoted = !quoted;
            continue;
        }
        if ((c == u' ' || c == u'\t') && !quoted)
        {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
            continue;
        }
        current.append(c);
        inArgument = true;
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

QString QuoteArgument(const QString& argument)
{
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument)
    {
        if (c == u'\\')
        {
            ++backslashes;
            quoted.append(c);
            continue;
        }
        if (c == u'"')
            quoted.append(QString(backslashes + 1, u'\\'));
        backslashes = 0;
        quoted.append(c);
    }
    quoted.append(QString(backslashes, u'\\')); // so the closing quote stays a quote
    quoted.append(u'"');
    return quoted;
}

qint32 ShellAndWait(ProcessLauncher& launcher, const QString& commandLine, std::optional<int> windowStyle)
{
    const int style = windowStyle && *windowStyle >= 0 && *windowStyle <= 6 ? *windowStyle : kDefaultStyle;
    const auto started = launcher.start(SplitCommandLine(commandLine), style);
    if (const int* error = std::get_if<int>(&started))
        return kErrorBase + *error;
    const ProcessLauncher::Handle process = std::get<ProcessLauncher::Handle>(started);
    while (true)
    {
        const std::optional<int> code = launcher.exitCode(process);
        QCoreApplication::processEvents();
        QEventLoop pause;
        QTimer::singleShot(kPollMs, &pause, &QEventLoop::quit);
        pause.exec();
        if (code)
            return *code;
    }
}

} // namespace ProcessLaunch
