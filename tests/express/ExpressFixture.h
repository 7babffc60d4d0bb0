#pragma once

// One Outlook Express window over real components: the settings store, the private
// CUPS server, real processes, a Wine prefix the test writes and a private work folder.

#include "CupsPrinterSystem.h"
#include "CursorFile.h"
#include "Express1.h"
#include "Form2.h"
#include "PosixProcessLauncher.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "SharedProcedures.h"
#include "TestSupport.h"
#include "WineRegistry.h"
#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace ExpressTest
{

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// A sample file of the shared test data, or empty (with a skip message) when the folder is absent.
inline QString sample(const QString& relative)
{
    const QString path = TestSupport::testData(relative);
    return QFileInfo::exists(path) ? path : QString();
}

inline QString samplesAbsent()
{
    return QStringLiteral("sample folder %1 is absent").arg(TestSupport::testDataRoot());
}

/// A Wine prefix with a C: drive; user.reg holds the lines given.
inline void writePrefix(const QString& prefix, const QByteArray& userReg)
{
    QDir().mkpath(prefix + QStringLiteral("/drive_c/users"));
    QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
    writeFile(prefix + QStringLiteral("/user.reg"),
              "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1\n\n" + userReg);
}

struct Fixture
{
    /// workBase: where the work folder is made; below the test's folder when empty.
    explicit Fixture(QString app = TestSupport::binDir(), QString workBase = QString())
        : appFolder(std::move(app)), work(workBase.isNull() ? dir.filePath(QStringLiteral("work")) : workBase)
    {
    }

    QTemporaryDir dir;
    QString prefix = dir.filePath(QStringLiteral("wine"));
    ScriptedDialogs dialogs;
    SettingsStore settings;
    CupsPrinterSystem printers;
    PosixProcessLauncher launcher;
    WineRegistry registry{WinePrefix(prefix)};
    Express1 express{dialogs, registry, WinePrefix(prefix)};
    Form2::State state;
    QString appFolder;
    WorkFolder work;
    bool outlookInstalled = true;
    int ended = 0;
    std::unique_ptr<Form2> form;

    Form2& open()
    {
        form = std::make_unique<Form2>(Form2::Services{dialogs, settings, printers, launcher, express, state, appFolder,
                                                       work, QIcon(), [this] { return outlookInstalled; },
                                                       [this] { ++ended; }, Main::FileExists, LoadCursorFile,
                                                       [](double seconds) { Main::WaitSeconds(seconds); }});
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("Form2 was not exposed");
        return *form;
    }

    template <class T> T* child(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QStringList column(ReportListModel& grid, int col) const
    {
        QStringList texts;
        for (int row = 0; row < grid.rowCount(); ++row)
            texts.append(grid.text(row, col));
        return texts;
    }
};

} // namespace ExpressTest
