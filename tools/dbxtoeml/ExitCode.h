#pragma once

/// Exit codes of DBXToEML (documented in README.md), and what each means to a caller.
namespace ExitCode
{
inline constexpr int Ok = 0;           ///< every message written (or the file holds no messages)
inline constexpr int Usage = 1;        ///< not called with exactly two arguments
inline constexpr int Missing = 2;      ///< .dbx path empty, missing, unreadable or not a regular file
inline constexpr int NotDbx = 3;       ///< the file is not an Outlook Express folder file
inline constexpr int Damaged = 4;      ///< damaged: what could be recovered was written, the rest skipped
inline constexpr int OutputFailed = 5; ///< output folder missing or not writable, or a write failed

/// Why a run with this exit code did not convert the file cleanly, as the user reads it;
/// null for Ok and for codes the converter never gives.
inline const char* reason(int code)
{
    switch (code)
    {
    case Usage:
        return "the converter was called the wrong way";
    case Missing:
        return "the file is missing or cannot be read";
    case NotDbx:
        return "not an Outlook Express folder file";
    case Damaged:
        return "the file is damaged; the messages that could be recovered are listed";
    case OutputFailed:
        return "the work folder cannot be written";
    default:
        return nullptr;
    }
}
} // namespace ExitCode
