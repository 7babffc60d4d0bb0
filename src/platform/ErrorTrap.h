#pragma once

#include "LineSteps.h"

#include <QString>
#include <exception>
#include <utility>

class Dialogs;

/// The error trap of an event handler. Each statement runs through step() or test()
/// with its line number; an error shows the "Application Error" box and execution
/// goes on with the next statement. A branch test that fails counts as passed.
class ErrorTrap : public LineSteps
{
public:
    /// location is "Window.Procedure", for example "Form1.Form_Load".
    ErrorTrap(Dialogs& dialogs, QString location)
        : LineSteps([this](int line, std::exception_ptr error) { report(line, error); }), m_dialogs(dialogs),
          m_location(std::move(location))
    {
    }

    /// The text of the "Application Error" box.
    static QString messageText(const QString& description, const QString& location, int line);

    static const QString& title();
    static const QString& supportAddress();

private:
    void report(int line, std::exception_ptr error);

    Dialogs& m_dialogs;
    QString m_location;
};
