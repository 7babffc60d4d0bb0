#include "ErrorTrap.h"

#include "AppError.h"
#include "Dialogs.h"

QString ErrorTrap::messageText(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + QStringLiteral("in Vellumtide2021/08/31.") + location +
           QStringLiteral(" ") + QStringLiteral("at line ") + QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + supportAddress();
}

const QString& ErrorTrap::title()
{
    static const QString text = QStringLiteral("Application Error");
    return text;
}

const QString& ErrorTrap::supportAddress()
{
    static const QString address = QStringLiteral("support@vellumtide.example");
    return address;
}

void ErrorTrap::report(int line, std::exception_ptr error)
{
    QString description;
    try
    {
        std::rethrow_exception(error);
    }
    catch (const AppError& appError)
    {
        description = appError.description();
    }
    catch (const std::exception& other)
    {
        description = QString::fromLocal8Bit(other.what());
    }
    catch (...)
    {
        description = QStringLiteral("Unexpected error");
    }
    m_dialogs.message(messageText(description, m_location, line), title(), Dialogs::Icon::Exclamation);
}
