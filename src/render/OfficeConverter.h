#pragma once

#include <QByteArray>
#include <QString>

namespace Render
{

struct Attachment;

/// Office documents to PDF through LibreOffice in headless mode, when `soffice` is on
/// PATH. It runs with a profile folder of our own (the user's stays untouched, and a
/// running LibreOffice of the user's does not take the job) and a time limit.
namespace OfficeConverter
{

/// Whether `attachment` is a word-processing, spreadsheet or presentation file.
bool isOfficeDocument(const Attachment& attachment);

/// The document as PDF; false with a reason (not installed, failed, timed out).
bool toPdf(const Attachment& attachment, QByteArray& pdf, QString* reason);

} // namespace OfficeConverter

} // namespace Render
