#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QString>
#include <memory>

namespace PrintTool
{

struct Options;

/// What a resumable run has written into its output folder: a hidden file with the key
/// of each message and the name of its PDF. A line is added, and made durable, after the
/// PDF is complete and before it takes its name; so after a stop, a crash or a power cut a
/// message counts as written exactly when its PDF is there. A line cut short is ignored.
class ResumeManifest
{
public:
    static constexpr const char* fileName = ".vellumtide-resume";

    /// The manifest of `dir`, started when there is none. Nothing, with `error`, when it
    /// belongs to a run of other sources or selection, or cannot be read or written.
    static std::unique_ptr<ResumeManifest> open(const QString& dir, const Options& options, QString* error);

    /// Whether the message with `key` is already in the folder.
    bool written(const QString& key) const;
    /// Records that `key` is written as `finalPath` from the complete file `tempPath`; both
    /// are on disk when this returns true.
    bool record(const QString& key, const QString& tempPath, const QString& finalPath, QString* error);

    /// A message's key: its entry ID with the store named by an absolute path, or by
    /// `storeNames`' name for a store only this run had (a converted .dbx file).
    static QString keyOf(const QString& entryId, const QHash<QString, QString>& storeNames);

private:
    explicit ResumeManifest(const QString& dir) : m_dir(dir), m_file(m_dir.filePath(QLatin1String(fileName))) {}

    QDir m_dir;
    QFile m_file;
    QHash<QString, QString> m_files; ///< key -> file name in the folder
};

} // namespace PrintTool
