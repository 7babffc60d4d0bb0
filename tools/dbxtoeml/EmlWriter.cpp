#include "EmlWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace
{

// Beyond this many look-alike names something is wrong with the folder; report instead of trying on.
constexpr int MaxVariants = 100;

} // namespace

EmlWriter::EmlWriter(const std::string& folder)
{
    if (folder.empty())
    {
        m_error = "no output folder given";
        return;
    }
    m_dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0)
        m_error = "cannot open output folder: " + std::string(std::strerror(errno));
    else if (faccessat(m_dir, ".", W_OK | X_OK, AT_EACCESS) != 0)
    {
        m_error = "output folder is not writable: " + std::string(std::strerror(errno));
        ::close(m_dir);
        m_dir = -1;
    }
}

EmlWriter::~EmlWriter()
{
    if (m_dir >= 0)
        ::close(m_dir);
}

EmlWriter::Result EmlWriter::write(const std::string& base, std::span<const iovec> parts, std::size_t size,
                                   std::string& fileName)
{
    for (int variant = 1; variant <= MaxVariants; ++variant)
    {
        fileName = variant == 1 ? base + ".eml" : base + "_" + std::to_string(variant) + ".eml";
        bool taken = false;
        const Result result = writeNew(fileName, parts, size, taken);
        if (!taken)
            return result;
        if (sameContent(fileName, parts, size))
            return Result::Kept;
    }
    m_error = base + ".eml and " + std::to_string(MaxVariants - 1) + " variants are all taken by other files";
    return Result::Failed;
}

EmlWriter::Result EmlWriter::writeNew(const std::string& name, std::span<const iovec> parts, std::size_t size,
                                      bool& taken)
{
    // O_EXCL: never replace, never follow a planted symlink.
    const int fd = openat(m_dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
    {
        taken = errno == EEXIST;
        m_error = "cannot create " + name + ": " + std::strerror(errno);
        return Result::Failed;
    }
    std::vector<iovec> rest(parts.begin(), parts.end());
    std::size_t done = 0;
    std::size_t first = 0;
    while (done < size)
    {
        const int count = int(std::min<std::size_t>(rest.size() - first, IOV_MAX));
        const ssize_t n = ::writev(fd, rest.data() + first, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            m_error = "cannot write " + name + ": " + std::strerror(n < 0 ? errno : EIO);
            ::close(fd);
            unlinkat(m_dir, name.c_str(), 0); // ours, and only half written
            return Result::Failed;
        }
        done += std::size_t(n);
        // Step over what went out; a short write leaves us inside one part.
        std::size_t left = std::size_t(n);
        while (left > 0 && first < rest.size())
        {
            if (left >= rest[first].iov_len)
            {
                left -= rest[first].iov_len;
                ++first;
            }
            else
            {
                rest[first].iov_base = static_cast<char*>(rest[first].iov_base) + left;
                rest[first].iov_len -= left;
                left = 0;
            }
        }
    }
    if (::close(fd) != 0)
    {
        m_error = "cannot write " + name + ": " + std::strerror(errno);
        unlinkat(m_dir, name.c_str(), 0);
        return Result::Failed;
    }
    return Result::Written;
}

bool EmlWriter::sameContent(const std::string& name, std::span<const iovec> parts, std::size_t size) const
{
    const int fd = openat(m_dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat st
    {
    };
    bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && std::size_t(st.st_size) == size;
    std::vector<char> buffer;
    for (std::size_t i = 0; same && i < parts.size(); ++i)
    {
        buffer.resize(parts[i].iov_len);
        std::size_t got = 0;
        while (got < buffer.size())
        {
            const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        same = got == buffer.size() && std::memcmp(buffer.data(), parts[i].iov_base, got) == 0;
    }
    ::close(fd);
    return same;
}
