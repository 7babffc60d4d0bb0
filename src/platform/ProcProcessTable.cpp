#include "ProcProcessTable.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <unistd.h>

namespace
{

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

} // namespace

QString ProcProcessTable::executableName(const QByteArray& cmdline, const QByteArray& comm)
{
    const qsizetype end = cmdline.indexOf('\0');
    const QByteArray argv0 = end < 0 ? cmdline : cmdline.left(end);
    if (!argv0.isEmpty())
    {
        const qsizetype cut = std::max(argv0.lastIndexOf('/'), argv0.lastIndexOf('\\'));
        const QByteArray name = argv0.mid(cut + 1);
        if (!name.isEmpty())
            return QString::fromLocal8Bit(name);
    }
    return QString::fromLocal8Bit(comm).trimmed();
}

QList<ProcessTable::Entry> ProcProcessTable::snapshot()
{
    QList<Entry> entries;
    const pid_t self = getpid();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        bool numeric = false;
        const pid_t pid = static_cast<pid_t>(name.toLong(&numeric));
        if (!numeric || pid == self)
            continue;
        const QString base = proc.filePath(name);
        // Processes come and go while we read: one that vanished simply has no name.
        const QString exe = executableName(readSmallFile(base + QStringLiteral("/cmdline")),
                                           readSmallFile(base + QStringLiteral("/comm")));
        if (!exe.isEmpty())
            entries.append({pid, exe});
    }
    return entries;
}

bool ProcProcessTable::terminate(pid_t pid)
{
    if (pid <= 0 || pid == getpid())
        return false;
    return ::kill(pid, SIGKILL) == 0;
}
