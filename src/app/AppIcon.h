#pragma once

#include <QIcon>

/// The program's window icon: a printed page in front of a letter, drawn at run time.
QIcon ApplicationIcon();
