#pragma once

#include <QString>

/// A private folder for this copy of the program's work files (the extracted messages
/// and their printing copies), under the user's runtime or cache folder. Two copies
/// never share one; a folder left by a copy that ended without removing it is removed
/// by the next copy that creates its own.
class WorkFolder
{
public:
    /// Creates the folder below base (empty: XDG_RUNTIME_DIR, else the cache folder).
    explicit WorkFolder(const QString& base = QString());
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    /// The folder, without a trailing separator; empty when it could not be created.
    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_lock = -1;
};
