#pragma once

#include "WinePrefix.h"

#include <QStringList>

class modRegistry;

/// Finds the store folders of the current user's Outlook Express identities in the
/// registry and lists the .dbx folder files in them.
class DBXFiles
{
public:
    DBXFiles(modRegistry& registry, WinePrefix prefix) : m_registry(registry), m_prefix(std::move(prefix)) {}

    /// One real store folder (ending with "/") per identity that has one, then one blank
    /// entry. Raises AppError 0x80040064 "DBXFiles component failure" when there is no
    /// identity or an identity's version key has values but no "Store Root".
    QStringList GetStoreFolder();

    /// Every .dbx file whose path is folder followed by the file name (the two folder
    /// index files left out), then one blank entry; empty when there is none.
    QStringList GetDBXFilesInPath(const QString& folder);

    static constexpr qint32 kFailure = static_cast<qint32>(0x80040064u);

private:
    static bool IsExcludedStoreFile(const QString& name);
    QString windowsProfileFolder();

    modRegistry& m_registry;
    WinePrefix m_prefix;
};

/// True when the text is empty once NUL characters are removed and blanks trimmed.
bool IsBlankText(const QString& text);
