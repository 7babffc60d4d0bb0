#pragma once

#include <QDateTime>
#include <QString>

namespace Outlook
{

/// Item classes as the object model numbers them; only mail is ever listed or printed.
enum ItemClass : int
{
    olAppointment = 26,
    olContact = 40,
    olDistributionList = 69,
    olJournal = 42,
    olMail = 43,
    olNote = 44,
    olPost = 45,
    olReport = 46,
    olTask = 48,
    olMeetingRequest = 53,
};

/// The error number PrintOut throws when the printer failed, not the message: there is no
/// printer, it is gone, or the print server cannot be reached.
constexpr long olPrinterFailure = -2147220736;

/// Any item of a folder: a mail message, a contact, an appointment... Every member may throw AppError.
/// The mail members are those of a mail item (class olMail); other classes throw AppError 438
/// ("Object doesn't support this property or method") from them, as the object model would.
class Item
{
public:
    virtual ~Item() = default;
    /// The item's class number (olMail for IPM.Note and its sub-classes).
    virtual int Class() = 0;

    /// The plain-text body: the plain body, else text made from the HTML body, else from the RTF body.
    virtual QString Body() = 0;
    /// The sender's display name.
    virtual QString SenderName() = 0;
    /// The sender's address in the form SenderEmailType names.
    virtual QString SenderEmailAddress() = 0;
    /// The address type as stored: "SMTP", "EX", ...
    virtual QString SenderEmailType() = 0;
    /// The subject.
    virtual QString Subject() = 0;
    /// A self-describing identifier: it names the store file and the item in it.
    virtual QString EntryID() = 0;
    /// The delivery time, in local time.
    virtual QDateTime ReceivedTime() = 0;
    /// The sent time as the message's printed page gives it (to the second, with its offset);
    /// empty when the item cannot say without being printed.
    virtual QString SentOnText() { return QString(); }
    /// Prints the message on the current default printer: one job, titled with the subject.
    virtual void PrintOut() = 0;

    /// The error the mail members of a non-mail item throw.
    [[noreturn]] static void notSupported(const QString& source);
};

} // namespace Outlook
