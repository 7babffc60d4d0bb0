#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace MailStore
{

/// A store of the mail profile and where it came from, in words ("Evolution's local mail").
struct ProfileStore
{
    QString path;
    QString origin;
    bool operator==(const ProfileStore&) const = default;
};

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

    /// `stores` in this file's format, each after a comment saying where it came from.
    static QByteArray format(const std::vector<ProfileStore>& stores);
};

} // namespace MailStore
