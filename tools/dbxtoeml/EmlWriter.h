#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct iovec;

/// Writes message files into one folder without ever replacing a file it did not write.
///
/// A message goes to "<base>.eml". When that name is taken, a file with exactly the
/// same bytes is kept as it is (a second run over the same .dbx); any other file is
/// left alone and the message goes to "<base>_2.eml", "<base>_3.eml", ... instead.
class EmlWriter
{
public:
    enum class Result
    {
        Written, ///< a new file was created
        Kept,    ///< an identical file was already there
        Failed,  ///< could not be written (see error())
    };

    explicit EmlWriter(const std::string& folder);
    EmlWriter(const EmlWriter&) = delete;
    EmlWriter& operator=(const EmlWriter&) = delete;
    ~EmlWriter();

    /// True when the folder could be opened for writing.
    bool ok() const { return m_dir >= 0; }

    /// Why the last operation failed.
    const std::string& error() const { return m_error; }

    /// Writes the concatenated parts as base + ".eml" (or a free variant); fileName receives the name used.
    Result write(const std::string& base, std::span<const iovec> parts, std::size_t size, std::string& fileName);

private:
    Result writeNew(const std::string& name, std::span<const iovec> parts, std::size_t size, bool& taken);
    bool sameContent(const std::string& name, std::span<const iovec> parts, std::size_t size) const;

    int m_dir = -1;
    std::string m_error;
};
