#pragma once

#include <exception>
#include <functional>
#include <utility>

/// Runs the numbered statements of an operation the way a window's error trap does:
/// a failing statement is handed to the report with its line and the next one runs.
/// A branch test that fails counts as passed.
class LineSteps
{
public:
    using Report = std::function<void(int line, std::exception_ptr error)>;

    explicit LineSteps(Report report) : m_report(std::move(report)) {}

    template <class Statement> void step(int line, Statement&& statement)
    {
        try
        {
            std::forward<Statement>(statement)();
        }
        catch (...)
        {
            m_report(line, std::current_exception());
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
            m_report(line, std::current_exception());
            return true;
        }
    }

private:
    Report m_report;
};
