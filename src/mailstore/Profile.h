#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace MailStore
{

/// The list of store paths the engine opens for a session.
class Profile
{
public:
    /// Where the profile lives: <XDG config folder>/Quillmark/Vellumtide-profile.txt.
    static QString defaultPath();

    /// The store paths of the file at `path`; a missing or unreadable file is an empty profile.
    static QStringList read(const QString& path);

    /// One path per line (UTF-8); blank lines and lines starting with '#' are skipped.
    static QStringList parse(const QByteArray& text);
};

} // namespace MailStore
