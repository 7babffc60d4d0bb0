#pragma once

#include <QByteArray>
#include <QString>

namespace MailStore
{

/// The readable content of an RTF body: the HTML an RTF body wraps (as mail clients store
/// HTML mail), or else its plain text.
struct RtfText
{
    bool isHtml = false;
    QString text;

    static RtfText convert(const QByteArray& rtf);
};

} // namespace MailStore
