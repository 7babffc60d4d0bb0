#pragma once

#include <QString>
#include <exception>
#include <stdexcept>

/// The one error type platform and engine code throw: a number, the source that
/// raised it and a description. Only an error trap (or main) catches it.
class AppError : public std::runtime_error
{
public:
    AppError(long number, QString source, QString description)
        : std::runtime_error(description.toStdString()), m_number(number), m_source(std::move(source)),
          m_description(std::move(description))
    {
    }

    long number() const { return m_number; }

    /// The description of any error caught as `error`: ours, a standard one or another.
    static QString describe(std::exception_ptr error)
    {
        try
        {
            std::rethrow_exception(error);
        }
        catch (const AppError& e)
        {
            return e.description();
        }
        catch (const std::exception& e)
        {
            return QString::fromUtf8(e.what());
        }
        catch (...)
        {
            return QStringLiteral("unknown error");
        }
    }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

    // The run-time errors the conversions and controls raise.
    static AppError typeMismatch(const QString& source) { return {13, source, QStringLiteral("Type mismatch")}; }
    static AppError overflow(const QString& source) { return {6, source, QStringLiteral("Overflow")}; }
    static AppError invalidPropertyValue(const QString& source)
    {
        return {380, source, QStringLiteral("Invalid property value")};
    }

private:
    long m_number;
    QString m_source;
    QString m_description;
};
