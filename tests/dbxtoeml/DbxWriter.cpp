#include "DbxWriter.h"

#include "DbxLayout.h"

#include <algorithm>
#include <fstream>

using namespace DbxLayout;

namespace
{

constexpr std::size_t FolderInfoSize = 0x618;

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
{
    putU32(out.data() + at, v);
}

std::size_t grow(std::vector<std::uint8_t>& out, std::size_t bytes)
{
    const std::size_t at = out.size();
    out.resize(at + bytes, 0);
    return at;
}

void putString(std::vector<std::uint8_t>& out, std::size_t at, const std::string& s)
{
    std::copy(s.begin(), s.end(), out.begin() + std::ptrdiff_t(at));
}

} // namespace

void DbxWriter::addMessage(std::string bytes)
{
    m_messages.push_back(std::move(bytes));
}

std::size_t DbxWriter::capacity(int height)
{
    // A page holds 0x33 values and 0x34 subtrees.
    return height <= 1 ? NodeMaxEntries : NodeMaxEntries + (NodeMaxEntries + 1) * capacity(height - 1);
}

std::vector<std::uint8_t> DbxWriter::build()
{
    std::vector<std::uint8_t> out(HeaderSize + FolderInfoSize, 0);
    put(out, 0, Magic);
    const std::uint8_t classId[] = {0xc5, 0xfd, 0x74, 0x6f, 0x66, 0xe3, 0xd1, 0x11, 0x9a, 0x4e,
                                    0x00, 0xc0, 0x4f, 0xa3, 0x09, 0xd4, 0x05, 0x00, 0x00, 0x00};
    std::copy(std::begin(classId), std::end(classId), out.begin() + 4);
    put(out, 0x18, 5);
    put(out, 0x1C, FolderInfoSize);
    put(out, 0x24, HeaderSize + FolderInfoSize);
    put(out, 0x28, 0xC000);
    put(out, 0x34, 0x3E1C);
    put(out, 0x40, 0xF780);
    put(out, 0x64, 1);
    put(out, 0x80, 2);
    put(out, 0x88, HeaderSize + FolderInfoSize);
    put(out, HeaderSize, 1);
    out[HeaderSize + 4] = 3; // local folder
    putString(out, HeaderSize + 5, "LocalStore");
    putString(out, HeaderSize + 0x105, "Generated");

    m_firstChunks.clear();
    m_infos.clear();
    for (std::size_t i = 0; i < m_messages.size(); ++i)
    {
        const std::string& message = m_messages[i];
        std::uint32_t first = 0;
        for (std::size_t done = 0; done < message.size(); done += ChunkRoom)
        {
            const std::size_t at = grow(out, ChunkSize);
            const std::size_t used = std::min(ChunkRoom, message.size() - done);
            put(out, at, std::uint32_t(at));
            put(out, at + ChunkRoomField, ChunkRoom);
            put(out, at + ChunkUsedField, std::uint32_t(used));
            if (done + used < message.size())
                put(out, at + ChunkNextField, std::uint32_t(at + ChunkSize));
            std::copy_n(message.begin() + std::ptrdiff_t(done), used,
                        out.begin() + std::ptrdiff_t(at + ChunkHeaderSize));
            if (first == 0)
                first = std::uint32_t(at);
        }
        m_firstChunks.push_back(first);

        // Info object: index number and flags stored directly, then the message pointer
        // and the subject in the data field (the pointer may need all 32 bits).
        const std::string subject = "Message " + std::to_string(i + 1) + std::string(1, '\0');
        const std::size_t entries = 4;
        const std::size_t dataLength = (4 + subject.size() + 3) / 4 * 4;
        const std::size_t body = entries * 4 + dataLength;
        const std::size_t info = grow(out, InfoHeaderSize + body);
        put(out, info, std::uint32_t(info));
        put(out, info + InfoBodyLength, std::uint32_t(body));
        out[info + InfoEntryCount] = entries;
        const std::size_t index = info + InfoHeaderSize;
        put(out, index, InfoDirectFlag | std::uint32_t(i + 1) << 8);           // 0x00: index
        put(out, index + 4, InfoDirectFlag | 0x01 | std::uint32_t(0x81) << 8); // 0x01: flags (downloaded, read)
        put(out, index + 8, FieldMessagePointer);                              // 0x04 at data + 0
        put(out, index + 12, 0x08 | std::uint32_t(4) << 8);                    // 0x08 subject at data + 4
        put(out, index + 16, first);
        putString(out, index + 20, subject);
        m_infos.push_back(std::uint32_t(info));
    }

    int height = 1;
    while (capacity(height) < m_infos.size())
        ++height;
    m_root = m_infos.empty() ? 0 : writeTree(out, 0, m_infos.size(), height, 0, 0);

    put(out, 0x30, m_root);
    put(out, 0x5C, std::uint32_t(m_messages.size()));
    put(out, HeaderUsedSpace, std::uint32_t(out.size()));
    put(out, HeaderItemCount, std::uint32_t(m_messages.size()));
    put(out, HeaderTreeRoot, m_root);
    return out;
}

std::uint32_t DbxWriter::writeTree(std::vector<std::uint8_t>& out, std::size_t from, std::size_t count, int height,
                                   std::uint32_t parent, std::uint8_t id)
{
    const std::size_t node = grow(out, NodeSize);
    put(out, node, std::uint32_t(node));
    put(out, node + NodeParent, parent);
    out[node + NodeId] = id;
    if (height <= 1)
    {
        out[node + NodeEntryCount] = std::uint8_t(count);
        for (std::size_t i = 0; i < count; ++i)
            put(out, node + NodeHeaderSize + i * NodeEntrySize, m_infos[from + i]);
        return std::uint32_t(node);
    }
    // children subtrees share the values left after the separators as evenly as possible
    const std::size_t sub = capacity(height - 1);
    const std::size_t children = std::min(NodeMaxEntries + 1, (count + 1 + sub) / (sub + 1));
    const std::size_t separators = children - 1;
    const std::size_t inChildren = count - separators;
    out[node + NodeEntryCount] = std::uint8_t(separators);
    std::size_t at = from;
    for (std::size_t c = 0; c < children; ++c)
    {
        const std::size_t size = inChildren / children + (c < inChildren % children ? 1 : 0);
        const std::uint32_t child =
            size == 0 ? 0 : writeTree(out, at, size, height - 1, std::uint32_t(node), std::uint8_t(c));
        at += size;
        if (c == 0)
        {
            put(out, node + NodeChild, child);
            put(out, node + NodeChildValues, std::uint32_t(size));
        }
        else
        {
            const std::size_t entry = node + NodeHeaderSize + (c - 1) * NodeEntrySize;
            put(out, entry + 4, child);
            put(out, entry + 8, std::uint32_t(size));
        }
        if (c < separators)
            put(out, node + NodeHeaderSize + c * NodeEntrySize, m_infos[at++]);
    }
    return std::uint32_t(node);
}

bool DbxWriter::save(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = build();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file.flush());
}

std::string DbxWriter::sampleMessage(std::size_t number, std::size_t size)
{
    const std::string n = std::to_string(number);
    std::string m = "From: \"Sender " + n + "\" <sender" + n + "@example.org>\r\n" +
                    "To: \"Reader\" <reader@example.net>\r\n" + "Subject: Generated message " + n + "\r\n" +
                    "Date: Mon, 10 Feb 2025 16:27:20 -0300\r\n" + "Message-ID: <gen" + n + "@example.org>\r\n" +
                    "MIME-Version: 1.0\r\n" + "Content-Type: text/plain; charset=\"us-ascii\"\r\n\r\n";
    // Body lines vary with the number so no two messages are alike.
    std::size_t line = 0;
    while (m.size() + 2 < size)
    {
        std::string text = "Line " + std::to_string(++line) + " of message " + n + ": the quick brown fox";
        text.resize(std::min(text.size(), size - m.size() - 2));
        m += text + "\r\n";
    }
    return m;
}
