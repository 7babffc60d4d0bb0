#pragma once

#include <QByteArray>
#include <QString>

namespace Render
{

/// The readable content of an RTF body (a .pst item's, a winmail.dat's): the HTML an RTF
/// body wraps (as mail clients store HTML mail), or else its plain text.
struct RtfText
{
    bool isHtml = false;
    QString text;

    static RtfText convert(const QByteArray& rtf);
};

} // namespace Render
