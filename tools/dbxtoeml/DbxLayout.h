#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// Offsets and sizes of the Outlook Express 5/6 folder file (.dbx). All numbers are
// little-endian 32-bit values; every object in the file starts with its own offset
// (the "marker"), which is what lets a reader tell a real object from stray bytes.
namespace DbxLayout
{

inline constexpr std::uint32_t Magic = 0xFE12ADCF;

// First word of the class id at offset 4: what kind of folder file this is.
inline constexpr std::uint32_t KindMessages = 0x6F74FDC5;
inline constexpr std::uint32_t KindFolders = 0x6F74FDC6;
inline constexpr std::uint32_t KindPop3Uidl = 0x6F74FDC7;
inline constexpr std::uint32_t KindOffline = 0x26FE9D30;

inline constexpr std::size_t HeaderSize = 0x24BC;
inline constexpr std::size_t HeaderFreeMessageList = 0x48;
inline constexpr std::size_t HeaderLastIndex = 0x5C;
inline constexpr std::size_t HeaderUsedSpace = 0x7C;
inline constexpr std::size_t HeaderItemCount = 0xC4;
inline constexpr std::size_t HeaderTreeRoot = 0xE4;

// Index tree node: a B-tree page of up to 0x33 (value, child, child count) entries.
inline constexpr std::size_t NodeSize = 0x27C;
inline constexpr std::size_t NodeHeaderSize = 0x18;
inline constexpr std::size_t NodeChild = 0x08;
inline constexpr std::size_t NodeParent = 0x0C;
inline constexpr std::size_t NodeId = 0x10;
inline constexpr std::size_t NodeEntryCount = 0x11;
inline constexpr std::size_t NodeChildValues = 0x14;
inline constexpr std::size_t NodeEntrySize = 12;
inline constexpr std::size_t NodeMaxEntries = 0x33;

// Indexed info object (one per message): a 12-byte header, then 4-byte index
// entries (low 7 bits: field id, bit 7: value stored in the next 3 bytes), then data.
inline constexpr std::size_t InfoHeaderSize = 12;
inline constexpr std::size_t InfoBodyLength = 0x04;
inline constexpr std::size_t InfoEntryCount = 0x0A;
inline constexpr std::uint8_t InfoDirectFlag = 0x80;
inline constexpr std::uint8_t FieldMessagePointer = 0x04;

// Message data chunk: a 16-byte header (marker, room, used, next) and up to 0x200 bytes.
inline constexpr std::size_t ChunkHeaderSize = 0x10;
inline constexpr std::size_t ChunkRoom = 0x200;
inline constexpr std::size_t ChunkSize = ChunkHeaderSize + ChunkRoom;
inline constexpr std::size_t ChunkRoomField = 0x04;
inline constexpr std::size_t ChunkUsedField = 0x08;
inline constexpr std::size_t ChunkNextField = 0x0C;

/// Reads a little-endian 32-bit value; the caller has checked the bounds.
inline std::uint32_t u32(std::span<const std::uint8_t> data, std::size_t at)
{
    const std::uint8_t* p = data.data() + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

/// Writes a little-endian 32-bit value.
inline void putU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

} // namespace DbxLayout
