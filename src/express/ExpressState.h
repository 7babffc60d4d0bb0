#pragma once

#include <QString>
#include <QStringList>

/// What the Outlook Express window keeps for as long as the program runs.
struct ExpressState
{
    QStringList EmlFileNames; ///< file name of each message row, in row order
    QString SavedPrinter;     ///< the user's own default printer before this window's first print run
};
