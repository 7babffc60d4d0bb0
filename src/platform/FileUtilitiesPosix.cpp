#include "FileUtilities.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace FileUtilities
{

namespace
{

std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

bool MatchesWildcard(QStringView name, QStringView pattern, Qt::CaseSensitivity cs)
{
    auto same = [cs](QChar a, QChar b) {
        return a == b || (cs == Qt::CaseInsensitive && a.toCaseFolded() == b.toCaseFolded());
    };
    // Greedy matching with one backtrack point: the last "*" seen.
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size())
    {
        if (p < pattern.size() && (pattern[p] == u'?' || same(pattern[p], name[n])))
        {
            ++n;
            ++p;
        }
        else if (p < pattern.size() && pattern[p] == u'*')
        {
            star = p++;
            resume = n;
        }
        else if (star >= 0)
        {
            p = star + 1;
            n = ++resume;
        }
        else
        {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool IsWorkablePath(const QString& folder)
{
    return folder.startsWith(u'/') && QDir::cleanPath(folder) != u"/";
}

void DeleteFiles(const QString& folder, const QString& names)
{
    QCoreApplication::processEvents();
    // An empty folder would make "/*.eml" of the pattern: the file-system root.
    if (!IsWorkablePath(folder) || names.isEmpty() || names.contains(u'/'))
        return;
    std::error_code error;
    for (std::filesystem::directory_iterator it(toPath(folder), error), end; !error && it != end; it.increment(error))
    {
        const QString name = QFile::decodeName(it->path().filename().c_str());
        // A symbolic link is removed itself; what it points to stays.
        std::error_code typeError;
        if (!MatchesWildcard(name, names, Qt::CaseInsensitive) ||
            it->symlink_status(typeError).type() == std::filesystem::file_type::directory)
            continue;
        std::error_code ignored;
        std::filesystem::remove(it->path(), ignored);
    }
}

void SafeCopyFile(const QString& source, const QString& destination)
{
    if (source.trimmed().isEmpty() || destination.trimmed().isEmpty())
        return;
    const QString from = NormalizePath(source);
    const QString to = NormalizePath(destination);
    if (!IsOpenableFile(from) || !IsFolder(FolderPart(to)))
        return;
    std::error_code ignored;
    std::filesystem::copy_file(toPath(from), toPath(to), std::filesystem::copy_options::overwrite_existing, ignored);
}

QString NormalizePath(const QString& path)
{
    if (!path.startsWith(u'/'))
        return QString(path).replace(QStringLiteral("//"), QStringLiteral("/"));
    qsizetype first = 0;
    while (first < path.size() && path[first] == u'/')
        ++first;
    return u'/' + path.mid(first).replace(QStringLiteral("//"), QStringLiteral("/"));
}

QString FolderPart(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool IsOpenableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    // Non-blocking, so a named pipe cannot hold us up; only regular files count.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

} // namespace FileUtilities
