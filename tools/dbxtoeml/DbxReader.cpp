#include "DbxReader.h"

#include "DbxLayout.h"

#include <algorithm>
#include <utility>

using namespace DbxLayout;

namespace
{

// A sound tree is a handful of levels deep; anything deeper is a loop we failed to see.
constexpr int MaxTreeDepth = 64;
// A report of thousands of lines helps nobody; the count still says how many there were.
constexpr std::size_t MaxProblemTexts = 100;

std::string hex(std::size_t v)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    do
    {
        s.insert(s.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return "0x" + s;
}

} // namespace

DbxReader::DbxReader(std::span<const std::uint8_t> data) : m_data(data) {}

DbxKind DbxReader::kind() const
{
    if (m_data.size() < 4 || u32(m_data, 0) != Magic)
        return DbxKind::NotDbx;
    if (m_data.size() < 8)
        return DbxKind::Unknown;
    switch (u32(m_data, 4))
    {
    case KindMessages:
        return DbxKind::Messages;
    case KindFolders:
        return DbxKind::Folders;
    case KindPop3Uidl:
        return DbxKind::Pop3Uidl;
    case KindOffline:
        return DbxKind::Offline;
    default:
        return DbxKind::Unknown;
    }
}

DbxContents DbxReader::read()
{
    m_out = DbxContents{};
    m_out.kind = kind();
    if (m_out.kind != DbxKind::Messages && m_out.kind != DbxKind::Unknown)
        return std::move(m_out);
    if (m_out.kind == DbxKind::Unknown)
        problem("unknown folder file class id; read as a message folder");
    if (m_data.size() < HeaderSize)
    {
        problem("file is shorter than its header (" + std::to_string(m_data.size()) + " bytes)");
        return std::move(m_out);
    }

    m_claimed.assign(m_data.size() / 4 + 1, false);
    m_out.indexedCount = u32(m_data, HeaderItemCount);
    std::vector<std::uint32_t> infos;
    // An item count beyond what the file could hold is garbage; do not reserve for it.
    infos.reserve(std::min<std::size_t>(m_out.indexedCount, m_data.size() / ChunkSize + 1));
    const std::uint32_t root = u32(m_data, HeaderTreeRoot);
    if (root != 0)
        walkTree(root, 0, infos);
    if (infos.size() != m_out.indexedCount)
        problem("index lists " + std::to_string(infos.size()) + " of " + std::to_string(m_out.indexedCount) +
                " messages");

    m_out.messages.reserve(infos.size());
    bool bodiless = false;
    for (std::size_t i = 0; i < infos.size(); ++i)
    {
        std::uint32_t first = 0;
        if (!messagePointer(infos[i], first))
        {
            problem("message " + std::to_string(i + 1) + ": info object at " + hex(infos[i]) + " is unreadable");
            continue;
        }
        if (first == 0)
        {
            // Only the headers were fetched (news, IMAP): an empty message, not damage by itself.
            bodiless = true;
            m_out.messages.push_back(DbxMessage{0, m_out.segments.size(), 0, 0, true, false});
            continue;
        }
        if (!readChain(first, false))
            problem("message " + std::to_string(i + 1) + ": no data at " + hex(first));
    }

    // A damaged info object can lose its data pointer and look bodiless, so those
    // cases also get the scan; it only reports damage when it finds orphaned chains.
    if (m_out.damaged || bodiless)
    {
        claimFreeList();
        scanForChains();
    }
    return std::move(m_out);
}

void DbxReader::walkTree(std::uint32_t node, int depth, std::vector<std::uint32_t>& infos)
{
    if (depth > MaxTreeDepth)
    {
        problem("index tree deeper than " + std::to_string(MaxTreeDepth) + " levels at " + hex(node));
        return;
    }
    if (node < HeaderSize || std::size_t(node) + NodeSize > m_data.size() || u32(m_data, node) != node)
    {
        problem("index page at " + hex(node) + " is missing or broken");
        return;
    }
    if (claimed(node))
    {
        problem("index page at " + hex(node) + " is reached twice (loop)");
        return;
    }
    claim(node);
    const std::size_t entries = m_data[node + NodeEntryCount];
    if (entries > NodeMaxEntries)
    {
        problem("index page at " + hex(node) + " claims " + std::to_string(entries) + " entries");
        return;
    }
    // In-order walk: the page's own child first, then each value followed by its subtree.
    if (const std::uint32_t child = u32(m_data, node + NodeChild); child != 0)
        walkTree(child, depth + 1, infos);
    for (std::size_t i = 0; i < entries; ++i)
    {
        const std::size_t entry = node + NodeHeaderSize + i * NodeEntrySize;
        infos.push_back(u32(m_data, entry));
        if (const std::uint32_t child = u32(m_data, entry + 4); child != 0)
            walkTree(child, depth + 1, infos);
    }
}

bool DbxReader::messagePointer(std::uint32_t info, std::uint32_t& first)
{
    first = 0;
    if (info < HeaderSize || std::size_t(info) + InfoHeaderSize > m_data.size() || u32(m_data, info) != info)
        return false;
    const std::size_t body = u32(m_data, info + InfoBodyLength);
    const std::size_t count = m_data[info + InfoEntryCount];
    if (body > m_data.size() - info - InfoHeaderSize || count * 4 > body)
        return false;
    const std::size_t index = info + InfoHeaderSize;
    const std::size_t data = index + count * 4;
    const std::size_t dataLength = body - count * 4;
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::uint32_t entry = u32(m_data, index + i * 4);
        if ((entry & 0x7F) != FieldMessagePointer)
            continue;
        const std::uint32_t value = entry >> 8;
        if (entry & InfoDirectFlag)
        {
            first = value;
            return true;
        }
        if (std::size_t(value) + 4 > dataLength)
            return false;
        first = u32(m_data, data + value);
        return true;
    }
    return true;
}

bool DbxReader::validChunk(std::size_t at) const
{
    if (at < HeaderSize || at + ChunkHeaderSize > m_data.size() || u32(m_data, at) != at)
        return false;
    const std::size_t used = u32(m_data, at + ChunkUsedField);
    return used <= ChunkRoom && used <= m_data.size() - at - ChunkHeaderSize;
}

bool DbxReader::readChain(std::uint32_t first, bool recovered)
{
    if (!validChunk(first) || claimed(first))
        return false;
    DbxMessage message;
    message.firstChunk = first;
    message.firstSegment = m_out.segments.size();
    message.recovered = recovered;
    std::size_t at = first;
    while (at != 0)
    {
        if (!validChunk(at) || claimed(at))
        {
            message.complete = false;
            problem("message data at " + hex(first) + " breaks off at " + hex(at) +
                    (validChunk(at) ? " (chain loops or is shared)" : ""));
            break;
        }
        claim(at);
        const std::size_t used = u32(m_data, at + ChunkUsedField);
        if (used != 0)
            m_out.segments.push_back(DbxSegment{at + ChunkHeaderSize, used});
        message.size += used;
        at = u32(m_data, at + ChunkNextField);
    }
    message.segmentCount = m_out.segments.size() - message.firstSegment;
    m_out.messages.push_back(message);
    return true;
}

void DbxReader::claimFreeList()
{
    // Chunks of deleted messages wait on this list for reuse; the scan must not bring them back.
    std::size_t at = u32(m_data, HeaderFreeMessageList);
    while (at != 0 && validChunk(at) && !claimed(at))
    {
        claim(at);
        at = u32(m_data, at + ChunkNextField);
    }
}

void DbxReader::scanForChains()
{
    // A chunk is recognised by its marker and a full-size room; a chain's head is a
    // chunk that no other chunk points to.
    std::vector<std::uint32_t> chunks;
    for (std::size_t at = HeaderSize; at + ChunkHeaderSize <= m_data.size(); at += 4)
    {
        if (u32(m_data, at) == at && u32(m_data, at + ChunkRoomField) == ChunkRoom && validChunk(at) && !claimed(at))
            chunks.push_back(std::uint32_t(at));
    }
    std::vector<bool> pointedTo(chunks.size(), false);
    for (const std::uint32_t at : chunks)
    {
        const std::uint32_t next = u32(m_data, at + ChunkNextField);
        const auto it = std::lower_bound(chunks.begin(), chunks.end(), next);
        if (it != chunks.end() && *it == next && next != at)
            pointedTo[std::size_t(it - chunks.begin())] = true;
    }
    std::size_t found = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i)
    {
        if (!pointedTo[i] && readChain(chunks[i], true))
            ++found;
    }
    if (found != 0)
        problem("recovered " + std::to_string(found) + " message(s) by scanning the file");
}

bool DbxReader::claimed(std::size_t at) const
{
    return m_claimed[at / 4];
}

void DbxReader::claim(std::size_t at)
{
    m_claimed[at / 4] = true;
}

void DbxReader::problem(std::string text)
{
    m_out.damaged = true;
    if (m_out.problems.size() < MaxProblemTexts)
        m_out.problems.push_back(std::move(text));
    else if (m_out.problems.size() == MaxProblemTexts)
        m_out.problems.push_back("further problems not listed");
}
