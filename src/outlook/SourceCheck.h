#pragma once

#include <QString>

namespace Outlook
{

/// The checks a store-file path passes before a listing.
namespace SourceCheck
{

/// The path, trimmed, is empty: "You forgot to input PST File.".
bool IsBlank(const QString& path);

/// A normal file exists at path exactly as typed: folders and hidden files do not
/// count; a path with wildcards passes when a normal file matches it. Throws AppError
/// when the path cannot be looked up at all.
bool StoreFileFound(const QString& path);

} // namespace SourceCheck

} // namespace Outlook
