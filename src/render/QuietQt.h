#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace Render
{

/// A message handler for the command-line tools: Qt's own notes (a missing runtime folder,
/// font fallbacks) are not the user's business there, as what goes wrong with a message is
/// reported by the run itself. VELLUMTIDE_DEBUG shows them all.
inline void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("VELLUMTIDE_DEBUG"))
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace Render
