#pragma once

#include <QByteArray>
#include <QList>

namespace Render
{

/// A message file made ready for the MIME parser, and what the parser would have lost.
struct PreparedMessage
{
    QByteArray bytes;      ///< header section repaired, body as written but for missing blank lines
    QByteArray stray;      ///< header-section lines that are no header, as written
    bool noHeader = false; ///< the file starts with text, not a header: all of it is body
};

/// Skips a UTF-8 byte-order mark and an mbox "From " line, ends the header section at a
/// line of only blanks, takes lines that are no header out of it (into `stray`) and turns
/// NUL bytes in it into spaces, and gives a part whose header runs into its data the blank
/// line it lacks, so that the parser keeps every header and all the body.
PreparedMessage prepareMessage(const QByteArray& raw);

} // namespace Render
