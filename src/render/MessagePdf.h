#pragma once

#include <QString>

namespace Render
{

struct BatesNumbers;
struct Message;

/// What a PDF output adds to the message's own pages.
struct PdfOptions
{
    bool attachments = false;      ///< each attachment on pages after its message
    BatesNumbers* bates = nullptr; ///< production numbers, continued from file to file
};

/// Where a message landed in its output: pages from 1, and their production numbers.
struct PlacedMessage
{
    int firstPage = 0;
    int lastPage = 0;
    QString batesBegin; ///< empty without production numbers
    QString batesEnd;
};

/// Writes one message (and its attachments) as a PDF file at `path`, with its outline
/// entry and our name in its metadata; false with a reason.
bool writeMessagePdf(const Message& message, const QString& path, const PdfOptions& options,
                     PlacedMessage* placed = nullptr, QString* error = nullptr);

} // namespace Render
