#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

/// A read-only memory map of a whole regular file; empty files map to an empty span.
class MappedFile
{
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    /// Maps the file; on failure returns false and sets errorNumber() (errno, or EISDIR/EINVAL).
    bool open(const std::string& path);

    /// The file's bytes.
    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

    /// errno of the failed open().
    int errorNumber() const { return m_error; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    int m_error = 0;
};
