#include "MappedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedFile::~MappedFile()
{
    if (m_data != nullptr)
        munmap(const_cast<std::uint8_t*>(m_data), m_size);
}

bool MappedFile::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        m_error = errno;
        return false;
    }
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        m_error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return false;
    }
    m_size = std::size_t(st.st_size);
    if (m_size != 0)
    {
        void* p = mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED)
        {
            m_error = errno;
            m_size = 0;
            ::close(fd);
            return false;
        }
        // The index is read first, then the chains mostly front to back: let the kernel read ahead.
        madvise(p, m_size, MADV_WILLNEED);
        m_data = static_cast<const std::uint8_t*>(p);
    }
    ::close(fd);
    return true;
}
