#pragma once

#include "ExpressState.h"

#include <QString>

class Dialogs;
class ExpressRunWindow;
class LineSteps;
class ProcessLauncher;
class ReportListModel;
class WorkFolder;

/// "Extract Emails From Outlook Express": converts every ticked .dbx file of the file
/// grid with DBXToEML into the work folder and lists the messages in the message grid.
class ExtractionRun
{
public:
    struct Grids
    {
        const ReportListModel& files;
        ReportListModel& messages;
    };

    /// steps reports each failing line (the window's error trap).
    ExtractionRun(ProcessLauncher& launcher, Dialogs& dialogs, ExpressRunWindow& window, LineSteps& steps, Grids grids,
                  ExpressState& state, QString appFolder, const WorkFolder& work);

    /// The whole run; ends with "Done." and a line per file that did not convert cleanly,
    /// or, stopped by the window, after the current file without a word.
    void Run();

    /// The converter beside the program in appFolder.
    static QString ConverterPath(const QString& appFolder);

    /// The one way DBXToEML is started: the command line that converts dbx into outFolder,
    /// for ProcessLaunch::ShellAndWait.
    static QString CommandLine(const QString& converter, const QString& dbx, const QString& outFolder);

    /// What a converter run that did not end with ExitCode::Ok means (a result below 0:
    /// it could not be started).
    static QString FailureReason(qint32 result);

private:
    ProcessLauncher& m_launcher;
    Dialogs& m_dialogs;
    ExpressRunWindow& m_window;
    LineSteps& m_steps;
    Grids m_grids;
    ExpressState& m_state;
    QString m_appFolder;
    const WorkFolder& m_work;
};
