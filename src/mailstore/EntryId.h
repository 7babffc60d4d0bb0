#pragma once

#include <QString>
#include <optional>

namespace MailStore
{

/// What an EntryID names: the kind of store, the store file (or folder) and the item in it.
/// The text form is "VT1-<kind>-<hex of the UTF-8 path>-<locator>", so it survives any
/// characters a path may hold and needs no session to be understood.
struct EntryId
{
    enum class Kind
    {
        Pst,     ///< locator: the item's node identifier, decimal
        Mbox,    ///< locator: the byte offset of the message's "From " line, decimal, a point, and the
                 ///< message's check value (16 hex digits) that finds it again after the file changed
        Maildir, ///< locator: the message file's unique name (before any ":2," flags), hex of UTF-8
        Eml,     ///< store path: the folder holding the file; locator: the file's name, hex of UTF-8
    };

    Kind kind = Kind::Pst;
    QString storePath;
    QString locator;

    QString toString() const;
    /// The text every ID of one store file begins with; the locator follows it.
    static QString prefix(Kind kind, const QString& storePath);
    /// The parsed ID; nullopt for anything this engine did not write.
    static std::optional<EntryId> parse(const QString& text);
};

} // namespace MailStore
