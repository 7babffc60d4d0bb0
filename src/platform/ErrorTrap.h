#pragma once

#include <QString>
#include <exception>
#include <utility>

class Dialogs;

/// The error trap of an event handler. Each statement runs through step() or test()
/// with its line number; an error shows the "Application Error" box and execution
/// goes on with the next statement. A branch test that fails counts as passed.
class ErrorTrap
{
public:
    /// location is "Window.Procedure", for example "Form1.Form_Load".
    ErrorTrap(Dialogs& dialogs, QString location) : m_dialogs(dialogs), m_location(std::move(location)) {}

    template <class Statement> void step(int line, Statement&& statement)
    {
        try
        {
            std::forward<Statement>(statement)();
        }
        catch (...)
        {
            report(line, std::current_exception());
        }
    }

    template <class Condition> bool test(int line, Condition&& condition)
    {
        try
        {
            return std::forward<Condition>(condition)();
        }
        catch (...)
        {
            report(line, std::current_exception());
            return true;
        }
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
