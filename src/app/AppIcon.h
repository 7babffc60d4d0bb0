#pragma once

#include <QIcon>
#include <QImage>

/// The program's window icon: a printed page in front of a letter, drawn at run time.
QIcon ApplicationIcon();

/// The same drawing as one square image of the given size in pixels.
QImage ApplicationIconImage(int size);
