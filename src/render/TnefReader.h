#pragma once

#include <QByteArray>
#include <QString>

namespace Render
{

struct Message;

/// Reads an Outlook TNEF stream (winmail.dat, application/ms-tnef) into `message`: its body
/// (HTML, RTF or plain) and its attachments. False when the bytes are no TNEF stream.
bool readTnef(const QByteArray& bytes, Message& message);

} // namespace Render
