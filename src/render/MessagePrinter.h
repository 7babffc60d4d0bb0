#pragma once

#include <QPageSize>
#include <QString>
#include <memory>

class QPdfWriter;

namespace Render
{

class MessageDocument;
struct Message;

/// Prints messages: one printer job per message, titled with the subject, no dialog.
class MessagePrinter
{
public:
    /// Prints `doc` on the named printer, or the current default printer when `printer` is empty.
    static bool toPrinter(MessageDocument& doc, const QString& printer = QString(), QString* error = nullptr);

    /// Lays out `message` and prints it like toPrinter().
    static bool toPrinter(const Message& message, const QString& printer = QString(), QString* error = nullptr);

    /// Writes `doc` to a PDF file of the given page size.
    static bool toPdf(MessageDocument& doc, const QString& pdfPath,
                      const QPageSize& pageSize = QPageSize(QPageSize::A4), QString* error = nullptr);

    /// A PDF writer with the pages, margins and metadata every PDF of ours has.
    static std::unique_ptr<QPdfWriter> pdfWriter(const QString& pdfPath, const QPageSize& pageSize,
                                                 const QString& title);

    /// Lays out `message` and writes it like toPdf().
    static bool toPdf(const Message& message, const QString& pdfPath,
                      const QPageSize& pageSize = QPageSize(QPageSize::A4), QString* error = nullptr);

    /// "vellumtide-print 0.1.0": the running program and its version, which every PDF names.
    static QString producer();

    /// The name of the current default printer; empty when there is none.
    static QString defaultPrinter();

    /// Gives the memory of messages already printed back to the system. A print run calls
    /// it after each message: the allocator would otherwise keep a large message's heap.
    static void releaseFreedMemory();
};

} // namespace Render
