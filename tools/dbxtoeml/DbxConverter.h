#pragma once

#include <cstddef>
#include <string>
#include <vector>

/// One DBXToEML run: every message of a .dbx file becomes one .eml file in a folder.
///
/// Files are named "<dbx name without .dbx>-<position>.eml" with the position in the
/// folder's index padded to five digits (Inbox-00001.eml), so folders converted into
/// the same place never collide and a second run gives the same names. Messages
/// recovered from a damaged file continue the numbering after the indexed ones.
class DbxConverter
{
public:
    /// Converts dbxPath into outputFolder and returns the exit code (ExitCode.h).
    int run(const std::string& dbxPath, const std::string& outputFolder);

    /// One line saying what happened, for standard error when run() did not return 0.
    const std::string& reason() const { return m_reason; }

    /// Informational lines (summary, damage details).
    const std::vector<std::string>& notes() const { return m_notes; }

    /// Names of the files written or kept, in message order.
    const std::vector<std::string>& fileNames() const { return m_fileNames; }

    /// The name stem messages of this .dbx file get ("Inbox" for /x/Inbox.dbx).
    static std::string stemFor(const std::string& dbxPath);

private:
    int fail(int code, std::string reason);

    std::string m_reason;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_fileNames;
};
