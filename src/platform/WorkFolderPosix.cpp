#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char kLockName[] = "/.lock";

// Empty when the user has neither folder.
QString defaultBase()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/vellumtide");
}

// A folder whose lock nobody holds belongs to a copy that has ended.
void removeAbandoned(const QString& base, const QString& own)
{
    for (const QString& name : QDir(base).entryList({QStringLiteral("work-*")}, QDir::Dirs | QDir::NoDotAndDotDot))
    {
        const QString folder = base + u'/' + name;
        if (folder == own)
            continue;
        const int fd = ::open(QFile::encodeName(folder + QLatin1String(kLockName)).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue; // not yet locked by the copy that is making it
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            QDir(folder).removeRecursively();
        ::close(fd);
    }
}

} // namespace

WorkFolder::WorkFolder(const QString& base)
{
    const QString parent = base.isEmpty() ? defaultBase() : base;
    // A relative base (no runtime or cache folder known) would put the work files, and
    // their deletion, wherever the program happens to run.
    if (!parent.startsWith(u'/'))
    {
        fail(parent, parent.isEmpty() ? QStringLiteral("there is no runtime or cache folder")
                                      : QStringLiteral("it is not an absolute path"));
        return;
    }
    if (!QDir().mkpath(parent))
    {
        fail(parent, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat info = {};
    if (::lstat(QFile::encodeName(parent).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
    {
        fail(parent, QStringLiteral("it is not a folder of this user's own"));
        return;
    }
    ::chmod(QFile::encodeName(parent).constData(), 0700);
    QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/work-XXXXXX"));
    if (!::mkdtemp(pattern.data())) // mode 0700
    {
        fail(QFile::decodeName(pattern), QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    const QString folder = QFile::decodeName(pattern);
    m_lock =
        ::open(QFile::encodeName(folder + QLatin1String(kLockName)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX | LOCK_NB) != 0)
    {
        fail(folder, QString::fromLocal8Bit(std::strerror(errno)));
        QDir(folder).removeRecursively();
        return;
    }
    m_path = folder;
    removeAbandoned(parent, folder);
}

WorkFolder::~WorkFolder()
{
    remove();
}

void WorkFolder::fail(const QString& folder, const QString& why)
{
    m_problem = QStringLiteral("the work folder \"%1\" cannot be made: %2").arg(folder, why);
}

void WorkFolder::remove()
{
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
    m_path.clear();
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
}
