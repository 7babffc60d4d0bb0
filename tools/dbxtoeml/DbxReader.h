#pragma once

#include "DbxContents.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Reads the messages of an Outlook Express 5/6 folder file held in memory.
///
/// The index tree is walked first. Every pointer is checked against the file size
/// and against the object's own marker, and every object is claimed once, so a
/// broken or looping file ends in a report, never in a crash or an endless walk.
/// When anything is damaged the whole file is scanned for message chains that the
/// index did not reach, so one bad page does not cost the rest of the folder.
class DbxReader
{
public:
    explicit DbxReader(std::span<const std::uint8_t> data);

    /// Classifies the file from its magic and class id.
    DbxKind kind() const;

    /// Reads every message it can find; message bytes stay in the caller's buffer.
    DbxContents read();

private:
    void walkTree(std::uint32_t node, int depth, std::vector<std::uint32_t>& infos);
    bool messagePointer(std::uint32_t info, std::uint32_t& first);
    bool readChain(std::uint32_t first, bool recovered);
    bool validChunk(std::size_t at) const;
    void claimFreeList();
    void scanForChains();

    bool claimed(std::size_t at) const;
    void claim(std::size_t at);
    void problem(std::string text);

    std::span<const std::uint8_t> m_data;
    std::vector<bool> m_claimed; // one bit per 4-byte slot: object already owned by something
    DbxContents m_out;
};
