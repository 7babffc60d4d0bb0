#pragma once

#include <QString>

// The work-file operations of the Outlook Express window. None reports an error:
// each succeeds or quietly does nothing. Paths use "/" as the separator.
namespace FileUtilities
{

/// Deletes the files of folder whose names match names ("*" any run of characters,
/// "?" one character, letter case ignored as Windows does). Folders and anything outside
/// that one folder are never touched; an empty or relative folder, or the file-system
/// root, is refused and nothing is deleted.
void DeleteFiles(const QString& folder, const QString& names);

/// Copies source over destination when source is a file that opens and destination's
/// folder exists; otherwise does nothing.
void SafeCopyFile(const QString& source, const QString& destination);

/// Collapses doubled separators, pairwise from the left (a run of three becomes two);
/// a run of leading separators becomes one.
QString NormalizePath(const QString& path);

/// The path up to and including its last separator; empty when there is none.
QString FolderPart(const QString& path);

/// True when path names an existing folder.
bool IsFolder(const QString& path);

/// True when path names an existing regular file that can be opened for reading.
bool IsOpenableFile(const QString& path);

/// True when name matches a pattern of "*" and "?" wildcards.
bool MatchesWildcard(QStringView name, QStringView pattern, Qt::CaseSensitivity cs = Qt::CaseSensitive);

/// True when folder may be listed or emptied by a pattern: absolute and not the root.
bool IsWorkablePath(const QString& folder);

} // namespace FileUtilities
