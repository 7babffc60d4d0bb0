#pragma once

#include <QString>
#include <functional>

class QWidget;
class ProcessTable;
class SettingsStore;

namespace Outlook
{
class ApplicationFactory;
}

// Small procedures the windows share. None shows a message.
namespace Main
{

/// The product name the application title is made from.
inline constexpr char16_t kProductName[] = u"Vellumtide";

/// True when the file system reports a modification time for path (files and folders alike).
bool FileExists(const QString& path);

/// True when the mail engine can be started; the object is released at once.
bool IsOutlookInstalled(Outlook::ApplicationFactory& factory);

/// Seconds since midnight by the wall clock, with a fractional part.
double SecondsSinceMidnight();

/// Waits the given seconds while the windows keep processing their events. It sleeps
/// between events instead of spinning, and copes with the clock passing midnight.
void WaitSeconds(double seconds, const std::function<double()>& clock = SecondsSinceMidnight);

/// When appFolder holds the skin file x/o.cjs, gives the window and its option
/// buttons, check boxes, frames and labels the button-face background.
void ApplySkin(QWidget& window, const QString& appFolder);

/// The application title: the product name cut at its last blank while it is
/// longer than 40 characters. A name without blanks stays whole.
QString ApplicationTitleFor(const QString& productName);

/// Stores the application title that untitled message boxes show.
void SetApplicationTitle();

/// Ends the program at once, also from inside a running handler or wait: nothing after
/// the call runs and no other window's closing steps run. The stored choices reach the
/// disk first.
[[noreturn]] void EndProgram(SettingsStore& settings);

/// Calls end (which ends the program) when the program is asked to stop by a signal
/// (SIGTERM at logout, SIGINT, SIGHUP), from the event loop where cleaning up is safe.
void EndOnStopSignals(std::function<void()> end);

/// Ends every process (but this one) whose executable name ends with name, in any letter case.
void TerminateProcessesByName(ProcessTable& processes, const QString& name);

} // namespace Main
