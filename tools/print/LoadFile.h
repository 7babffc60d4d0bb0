#pragma once

#include "OutputFiles.h"

#include <QString>
#include <QStringList>

namespace Render
{
struct Message;
struct PlacedMessage;
} // namespace Render

namespace PrintTool
{

/// The load file of a production: one RFC 4180 CSV row (UTF-8, CRLF) per message written,
/// saying in which file and on which pages it is, with its production numbers, header
/// fields, hash, store and folder. Written whole at the end; an existing file is never replaced.
class LoadFile
{
public:
    explicit LoadFile(const QString& path) : m_path(path), m_file(path) {}
    const QString& path() const { return m_path; }

    void add(const Render::Message& message, const QString& file, const Render::PlacedMessage& placed,
             const QString& store, const QString& folder);
    /// Writes the file to its name; false with a reason.
    bool finish(QString* error);

    /// One CSV record, fields quoted where RFC 4180 needs it, ended by CRLF.
    static QByteArray record(const QStringList& fields);

private:
    QString m_path;
    Render::PendingFile m_file;
    QByteArray m_rows;
};

} // namespace PrintTool
