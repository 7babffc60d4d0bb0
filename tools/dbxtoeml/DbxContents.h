#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// What kind of folder file the class id in the header names.
enum class DbxKind
{
    NotDbx,   ///< no .dbx magic (or shorter than it)
    Messages, ///< a mail or news folder
    Folders,  ///< Folders.dbx, the folder tree
    Pop3Uidl, ///< pop3uidl.dbx, ids of fetched mail
    Offline,  ///< Offline.dbx, queued IMAP/news operations
    Unknown,  ///< the magic is right but the class id is not one we know
};

/// One stretch of message bytes inside the file.
struct DbxSegment
{
    std::size_t offset = 0;
    std::size_t length = 0;
};

/// One message: its bytes are segments [firstSegment, firstSegment + segmentCount) in order.
struct DbxMessage
{
    std::size_t firstChunk = 0;
    std::size_t firstSegment = 0;
    std::size_t segmentCount = 0;
    std::size_t size = 0;
    bool complete = true;   ///< false when its chain broke off before the end marker
    bool recovered = false; ///< found by scanning the file, not through the index
};

/// Everything the reader found in one file.
struct DbxContents
{
    DbxKind kind = DbxKind::NotDbx;
    std::vector<DbxMessage> messages;
    std::vector<DbxSegment> segments;
    std::uint32_t indexedCount = 0; ///< message count the header claims
    bool damaged = false;           ///< any inconsistency was seen (problems says which)
    std::vector<std::string> problems;
};
