#include "AppIcon.h"
#include "CupsPrinterSystem.h"
#include "Form1.h"
#include "Form2.h"
#include "MailEngine.h"
#include "ProcProcessTable.h"
#include "QtDialogs.h"
#include "SettingsStore.h"
#include "SharedProcedures.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));

    QtDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    ProcProcessTable processes;
    MailStore::EngineFactory engine;
    auto endProgram = [&settings] { Main::EndProgram(settings); };

    Form1::Services services{dialogs, settings,  printers, processes, engine, QCoreApplication::applicationDirPath(),
                             nullptr, endProgram};
    services.showOutlookExpress = [&](QWidget* parent) {
        Form2 window({[&] { return Main::IsOutlookInstalled(engine); }, endProgram, ApplicationIcon()}, parent);
        window.exec();
    };

    Form1 form(services);
    form.Form_Load();
    form.show();
    return app.exec();
}
