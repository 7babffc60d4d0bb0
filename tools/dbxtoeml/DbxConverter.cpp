#include "DbxConverter.h"

#include "DbxReader.h"
#include "EmlWriter.h"
#include "ExitCode.h"
#include "MappedFile.h"

#include <cstring>
#include <strings.h>
#include <sys/uio.h>

namespace
{

// Leaves room for "-00001_100.eml" within the 255-byte name limit.
constexpr std::size_t MaxStemBytes = 200;

std::string padded(std::size_t n)
{
    std::string s = std::to_string(n);
    if (s.size() < 5)
        s.insert(0, 5 - s.size(), '0');
    return s;
}

} // namespace

std::string DbxConverter::stemFor(const std::string& dbxPath)
{
    std::string name = dbxPath.substr(dbxPath.find_last_of('/') + 1);
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dbx") == 0)
        name.resize(name.size() - 4);
    if (name.size() > MaxStemBytes)
    {
        name.resize(MaxStemBytes);
        // Do not cut a UTF-8 sequence in half.
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0)
            name.pop_back();
    }
    return name.empty() ? std::string("message") : name;
}

int DbxConverter::fail(int code, std::string reason)
{
    m_reason = std::move(reason);
    return code;
}

int DbxConverter::run(const std::string& dbxPath, const std::string& outputFolder)
{
    m_reason.clear();
    m_notes.clear();
    m_fileNames.clear();
    // The caller passes an empty path when the .dbx file has gone away meanwhile.
    if (dbxPath.empty())
        return fail(ExitCode::Missing, "no .dbx file given (empty path)");
    MappedFile file;
    if (!file.open(dbxPath))
        return fail(ExitCode::Missing, dbxPath + ": " + std::strerror(file.errorNumber()));

    DbxReader reader(file.bytes());
    if (reader.kind() == DbxKind::NotDbx)
        return fail(ExitCode::NotDbx, dbxPath + ": not an Outlook Express folder file (.dbx)");

    EmlWriter writer(outputFolder);
    if (!writer.ok())
        return fail(ExitCode::OutputFailed, outputFolder + ": " + writer.error());

    const DbxContents contents = reader.read();
    if (contents.kind != DbxKind::Messages && contents.kind != DbxKind::Unknown)
    {
        m_notes.push_back(dbxPath + ": " +
                          (contents.kind == DbxKind::Folders ? "folder list (Folders.dbx)" : "not a message folder") +
                          ", holds no messages; nothing written");
        return ExitCode::Ok;
    }

    const std::string stem = stemFor(dbxPath);
    const std::uint8_t* base = file.bytes().data();
    std::vector<iovec> parts;
    std::size_t written = 0;
    std::size_t kept = 0;
    std::size_t incomplete = 0;
    for (std::size_t i = 0; i < contents.messages.size(); ++i)
    {
        const DbxMessage& message = contents.messages[i];
        parts.clear();
        for (std::size_t s = 0; s < message.segmentCount; ++s)
        {
            const DbxSegment& segment = contents.segments[message.firstSegment + s];
            parts.push_back(iovec{const_cast<std::uint8_t*>(base + segment.offset), segment.length});
        }
        std::string name;
        switch (writer.write(stem + "-" + padded(i + 1), parts, message.size, name))
        {
        case EmlWriter::Result::Written:
            ++written;
            break;
        case EmlWriter::Result::Kept:
            ++kept;
            break;
        case EmlWriter::Result::Failed:
            return fail(ExitCode::OutputFailed, writer.error() + " (" + std::to_string(written + kept) + " of " +
                                                    std::to_string(contents.messages.size()) + " messages written)");
        }
        if (!message.complete)
            ++incomplete;
        m_fileNames.push_back(std::move(name));
    }

    std::string summary = dbxPath + ": " + std::to_string(written + kept) + " messages written";
    if (kept != 0)
        summary += " (" + std::to_string(kept) + " identical files already there, kept)";
    m_notes.push_back(summary);
    if (!contents.damaged)
        return ExitCode::Ok;
    for (const std::string& problem : contents.problems)
        m_notes.push_back(dbxPath + ": " + problem);
    return fail(ExitCode::Damaged, dbxPath + ": damaged; " + std::to_string(written + kept) + " messages recovered (" +
                                       std::to_string(incomplete) + " incomplete), index lists " +
                                       std::to_string(contents.indexedCount));
}
