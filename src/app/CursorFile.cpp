#include "CursorFile.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>
#include <algorithm>

std::optional<QCursor> LoadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(22);
    // Icon directory: reserved 0, type 2 (cursor), at least one entry of 16 bytes.
    if (head.size() < 22 || qFromLittleEndian<quint16>(head.constData()) != 0 ||
        qFromLittleEndian<quint16>(head.constData() + 2) != 2 || qFromLittleEndian<quint16>(head.constData() + 4) < 1)
        return std::nullopt;
    const int hotX = qFromLittleEndian<quint16>(head.constData() + 10);
    const int hotY = qFromLittleEndian<quint16>(head.constData() + 12);

    QImage image;
    if (!image.load(path, "cur") && !image.load(path, "ico"))
        return std::nullopt;
    if (image.isNull())
        return std::nullopt;
    return QCursor(QPixmap::fromImage(image), std::min(hotX, image.width() - 1), std::min(hotY, image.height() - 1));
}
