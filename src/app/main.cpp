#include "AppIcon.h"
#include "CupsPrinterSystem.h"
#include "CursorFile.h"
#include "Express1.h"
#include "Form1.h"
#include "Form2.h"
#include "MailEngine.h"
#include "PosixProcessLauncher.h"
#include "ProcProcessTable.h"
#include "QtDialogs.h"
#include "SettingsStore.h"
#include "SharedProcedures.h"
#include "Version.h"
#include "WineRegistry.h"
#include "WorkFolder.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (printVersionWhenAsked(argc, argv, "vellumtide"))
        return 0;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    {
        std::fputs("usage: vellumtide [--help | --version]\n"
                   "Opens the main window: list the messages of Outlook .pst/.ost files and the stores of\n"
                   "your mail profile, tick the ones you want and print them in one run; its button\n"
                   "\"Search For Outlook Express\" opens the window for Outlook Express .dbx folders.\n"
                   "Without a window: vellumtide-print. Manual: man vellumtide.\n",
                   stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));

    QtDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    ProcProcessTable processes;
    MailStore::EngineFactory engine;
    // The Outlook Express window's work files go with the program, however it ends.
    WorkFolder workFolder;
    auto endProgram = [&settings, &workFolder] {
        workFolder.remove();
        Main::EndProgram(settings);
    };
    Main::EndOnStopSignals(endProgram);

    Form1::Services services{dialogs, settings,  printers, processes, engine, QCoreApplication::applicationDirPath(),
                             nullptr, endProgram};
    // The Outlook Express window's lists and work files outlive each opening of it.
    WineRegistry registry(WinePrefix::fromEnvironment());
    Express1 express(dialogs, registry, WinePrefix::fromEnvironment());
    Form2::State expressState;
    PosixProcessLauncher launcher;
    services.showOutlookExpress = [&](QWidget* parent) {
        Form2 window({dialogs, settings, printers, launcher, express, expressState,
                      QCoreApplication::applicationDirPath(), workFolder, ApplicationIcon(),
                      [&] { return Main::IsOutlookInstalled(engine); }, endProgram, Main::FileExists, LoadCursorFile,
                      [](double seconds) { Main::WaitSeconds(seconds); }},
                     parent);
        window.exec();
    };

    Form1 form(services);
    form.Form_Load();
    form.show();
    return app.exec();
}
