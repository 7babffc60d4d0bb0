#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Builds valid Outlook Express 5/6 message folder files (.dbx) for tests and benchmarks.
///
/// Layout: header and folder info, then per message its data chunks and its info
/// object, then the index tree (a balanced B-tree with full-size pages where possible).
/// The file also carries the offsets of each message so tests can damage it on purpose.
class DbxWriter
{
public:
    /// Adds one message; its bytes are stored exactly.
    void addMessage(std::string bytes);

    /// The complete file.
    std::vector<std::uint8_t> build();

    /// Builds and writes the file; false when it cannot be written.
    bool save(const std::string& path);

    /// After build(): offset of message i's first data chunk (0 for an empty message).
    std::uint32_t firstChunk(std::size_t i) const { return m_firstChunks.at(i); }

    /// After build(): offset of message i's info object.
    std::uint32_t infoObject(std::size_t i) const { return m_infos.at(i); }

    /// After build(): offset of the root page of the index tree (0 when empty).
    std::uint32_t treeRoot() const { return m_root; }

    /// A plain RFC 822 message with From/To/Subject/Date and a body, about size bytes long.
    static std::string sampleMessage(std::size_t number, std::size_t size);

private:
    std::uint32_t writeTree(std::vector<std::uint8_t>& out, std::size_t from, std::size_t count, int height,
                            std::uint32_t parent, std::uint8_t id);
    static std::size_t capacity(int height);

    std::vector<std::string> m_messages;
    std::vector<std::uint32_t> m_firstChunks;
    std::vector<std::uint32_t> m_infos;
    std::uint32_t m_root = 0;
};
