#pragma once

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QString>

namespace Render
{

/// Output names that never replace anything: neither another output of the same run
/// (two messages with the same subject) nor a file already in the folder, such as an
/// earlier run's PDF. A taken name gets -2, -3, ... before its suffix.
class OutputNames
{
public:
    explicit OutputNames(const QString& dir) : m_dir(dir) {}

    /// The full path of the first free name for `base` + `suffix`.
    QString take(const QString& base, const QString& suffix);

private:
    QDir m_dir;
    QSet<QString> m_taken;
};

/// A file name (without suffix) for a message: its date as "yyyy-MM-dd HHmm" and its
/// subject, without characters file systems or shells trip over, at most 150 bytes.
QString messageFileBase(const QDateTime& date, const QString& subject);

/// A file written under a hidden temporary name beside its final path, which it takes
/// only when complete: an output that fails or is stopped leaves nothing half-written,
/// and an existing file is never replaced.
class PendingFile
{
public:
    explicit PendingFile(QString finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    /// Where to write.
    const QString& tempPath() const { return m_temp; }
    /// A hidden name beside `tempPath` for a file that helps to make it, named as a pending
    /// file is: what a killed run leaves is cleared like its pending files.
    static QString helperPath(const QString& tempPath, const QString& tag);
    /// Moves the written file to its final path; false with a reason when that path is taken
    /// or the move fails (the temporary file is removed then).
    bool commit(QString* error = nullptr);

private:
    QString m_final;
    QString m_temp;
    bool m_done = false;
};

} // namespace Render
