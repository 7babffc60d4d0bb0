#include "SharedProcedures.h"

#include "OutlookApplication.h"
#include "ProcessTable.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace Main
{

namespace
{

constexpr double kSecondsPerDay = 86400.0;
constexpr int kLongestTitle = 40;
// How long one sleep inside the wait may last: short enough to notice the end promptly.
constexpr int kWaitSliceMs = 50;

void setBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(widget.backgroundRole(), colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    std::error_code error;
    (void)std::filesystem::last_write_time(std::filesystem::path(path.toStdString()), error);
    return !error;
}

bool IsOutlookInstalled(Outlook::ApplicationFactory& factory)
{
    return Outlook::IsEngineAvailable(factory);
}

double SecondsSinceMidnight()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

void WaitSeconds(double seconds, const std::function<double()>& clock)
{
    try
    {
        // Wakes the sleep below even when no event comes, so the clock is read again.
        QTimer wake;
        const double start = clock();
        while (true)
        {
            const double now = clock();
            const double elapsed = now >= start ? now - start : now + kSecondsPerDay - start;
            if (elapsed >= seconds)
                return;
            wake.start(std::clamp(static_cast<int>((seconds - elapsed) * 1000.0), 1, kWaitSliceMs));
            // Sleeps until an event or the wake-up, then handles what came. A nested event
            // loop would not do: once the program is asked to quit, it returns at once and
            // the wait would spin.
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    }
    catch (...)
    {
        // A wait never fails its caller.
    }
}

void ApplySkin(QWidget& window, const QString& appFolder)
{
    const QFileInfo skin(appFolder + QStringLiteral("/x/o.cjs"));
    if (!skin.isFile() || skin.isHidden())
        return;
    const QColor buttonFace = window.palette().color(QPalette::Button);
    setBackground(window, buttonFace);
    for (QWidget* child : window.findChildren<QWidget*>())
    {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child))
            setBackground(*child, buttonFace);
    }
}

QString ApplicationTitleFor(const QString& productName)
{
    QString title = productName;
    do
    {
        const qsizetype blank = title.lastIndexOf(u' ');
        if (blank < 0)
            break;
        title = title.left(blank);
    } while (title.size() > kLongestTitle);
    return title;
}

void SetApplicationTitle()
{
    QCoreApplication::setApplicationName(ApplicationTitleFor(QString::fromUtf16(kProductName)));
}

void EndProgram(SettingsStore& settings)
{
    settings.sync();
    std::fflush(nullptr);
    // Returning to the event loop would let a running handler go on; unwinding its
    // stack would run it too. Leave without either.
    ::_exit(0);
}

namespace
{

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}

} // namespace

void EndOnStopSignals(std::function<void()> end)
{
    if (stopPipe[0] >= 0 || ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [end = std::move(end)] { end(); });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void TerminateProcessesByName(ProcessTable& processes, const QString& name)
{
    try
    {
        const QString wanted = name.toLower();
        if (wanted.isEmpty())
            return;
        for (const ProcessTable::Entry& entry : processes.snapshot())
        {
            if (entry.executableName.toLower().endsWith(wanted))
                processes.terminate(entry.pid);
        }
    }
    catch (...)
    {
        // Whatever could not be ended stays; closing goes on.
    }
}

} // namespace Main
