#pragma once

// The reader on bytes a test wrote, shared by the render tests.

#include "MimeReader.h"

#include <QDebug>

inline Render::Message readMessage(const QByteArray& mime)
{
    Render::Message message;
    QString error;
    if (!Render::MimeReader::readBytes(mime, message, &error))
        qWarning() << "read failed:" << error;
    return message;
}
