#pragma once

/// Exit codes of DBXToEML (documented in README.md).
namespace ExitCode
{
inline constexpr int Ok = 0;           ///< every message written (or the file holds no messages)
inline constexpr int Usage = 1;        ///< not called with exactly two arguments
inline constexpr int Missing = 2;      ///< .dbx path empty, missing, unreadable or not a regular file
inline constexpr int NotDbx = 3;       ///< the file is not an Outlook Express folder file
inline constexpr int Damaged = 4;      ///< damaged: what could be recovered was written, the rest skipped
inline constexpr int OutputFailed = 5; ///< output folder missing or not writable, or a write failed
} // namespace ExitCode
