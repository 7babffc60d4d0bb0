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

    /// The folder, absolute and without a trailing separator; empty when it could not
    /// be created (or after remove()).
    const QString& path() const { return m_path; }

    /// Why there is no folder, naming the folder tried: empty while there is one.
    const QString& problem() const { return m_problem; }

    /// Removes the folder and what it holds; the program ends without it.
    void remove();

private:
    void fail(const QString& folder, const QString& why);

    QString m_path;
    QString m_problem;
    int m_lock = -1;
};
