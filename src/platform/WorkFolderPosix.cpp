#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

const char kLockName[] = "/.lock";

QString defaultBase()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return base + QStringLiteral("/vellumtide");
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
    if (!QDir().mkpath(parent))
        return;
    QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/work-XXXXXX"));
    if (!::mkdtemp(pattern.data())) // mode 0700
        return;
    const QString folder = QFile::decodeName(pattern);
    m_lock =
        ::open(QFile::encodeName(folder + QLatin1String(kLockName)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX | LOCK_NB) != 0)
    {
        QDir(folder).removeRecursively();
        return;
    }
    m_path = folder;
    removeAbandoned(parent, folder);
}

WorkFolder::~WorkFolder()
{
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
    if (m_lock >= 0)
        ::close(m_lock);
}
