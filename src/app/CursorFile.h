#pragma once

#include <QCursor>
#include <QString>
#include <optional>

/// Loads a Windows .cur file with the hotspot it declares; nothing when the file
/// cannot be read. (Qt's image reader reads the picture but drops the hotspot.)
std::optional<QCursor> LoadCursorFile(const QString& path);
