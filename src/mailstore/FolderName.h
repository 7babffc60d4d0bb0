#pragma once

#include <QString>

namespace MailStore
{

/// A folder name as IMAP servers store it on disk (Dovecot, Courier: "Entw&APw-rfe"),
/// decoded from modified UTF-7 ("Entwürfe"). A name that is not valid modified UTF-7
/// is returned as it stands.
QString decodeFolderName(const QString& name);

} // namespace MailStore
