// .pst and .ost files through libpff.

#include "AppError.h"
#include "EntryId.h"
#include "FileMessage.h"
#include "MailDate.h"
#include "MailTree.h"
#include "Message.h"
#include "MimeReader.h"
#include "RtfText.h"
#include "StoreNode.h"
#include "TextDecoding.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QTextDocumentFragment>
#include <QTimeZone>
#include <libpff.h>
#include <optional>
#include <vector>

// libpff marks its by-tag getters deprecated in favour of record sets; they are what the
// Debian 12 package ships and they read exactly the property asked for.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace MailStore
{

namespace
{

// MAPI property tags the engine reads beyond libpff's own getters.
constexpr uint32_t kDisplayName = 0x3001;
constexpr uint32_t kIpmSubtreeEntryId = 0x35E0;
constexpr uint32_t kOutboxEntryId = 0x35E2;
constexpr uint32_t kWastebasketEntryId = 0x35E3;
constexpr uint32_t kSentMailEntryId = 0x35E4;
constexpr uint32_t kViewsEntryId = 0x35E5;
constexpr uint32_t kCommonViewsEntryId = 0x35E6;
constexpr uint32_t kFinderEntryId = 0x35E7;
constexpr uint32_t kFolderType = 0x3601;
constexpr uint32_t kSearchFolder = 2;
constexpr uint32_t kAttrHidden = 0x10F4;
constexpr uint32_t kSenderAddressType = 0x0C1E;
constexpr uint32_t kInternetMessageId = 0x1035;
constexpr uint32_t kDisplayTo = 0x0E04;
constexpr uint32_t kDisplayCc = 0x0E03;
constexpr uint32_t kTransportHeaders = 0x007D;
constexpr uint32_t kReplyRecipientNames = 0x0050;
constexpr uint32_t kRecipientType = 0x0C15;
constexpr uint32_t kAddressType = 0x3002;
constexpr uint32_t kEmailAddress = 0x3003;
constexpr uint32_t kSmtpAddress = 0x39FE;
constexpr uint32_t kRtfCompressed = 0x1009;
constexpr uint32_t kInternetCodepage = 0x3FDE;
constexpr uint32_t kAttachFilename = 0x3704;
constexpr uint32_t kAttachLongFilename = 0x3707;
constexpr uint32_t kAttachMimeTag = 0x370E;
constexpr uint32_t kAttachContentId = 0x3712;
constexpr uint32_t kAttachContentLocation = 0x3713;
constexpr size_t kMaxAttachment = 64 * 1024 * 1024;

QString takeError(libpff_error_t*& error)
{
    QString text;
    if (error)
    {
        char buffer[1024] = {};
        if (libpff_error_sprint(error, buffer, sizeof buffer) > 0)
            text = QString::fromUtf8(buffer).trimmed();
        libpff_error_free(&error);
    }
    return text;
}

/// Drops an error libpff reported where a missing value is an answer too.
void dropError(libpff_error_t*& error)
{
    if (error)
        libpff_error_free(&error);
}

class PffItem
{
public:
    PffItem() = default;
    explicit PffItem(libpff_item_t* item) : m_item(item) {}
    PffItem(const PffItem&) = delete;
    PffItem& operator=(const PffItem&) = delete;
    PffItem(PffItem&& other) noexcept : m_item(std::exchange(other.m_item, nullptr)) {}
    PffItem& operator=(PffItem&& other) noexcept
    {
        std::swap(m_item, other.m_item);
        return *this;
    }
    ~PffItem()
    {
        if (m_item)
            libpff_item_free(&m_item, nullptr);
    }
    libpff_item_t* get() const { return m_item; }
    libpff_item_t** out() { return &m_item; }
    explicit operator bool() const { return m_item != nullptr; }

private:
    libpff_item_t* m_item = nullptr;
};

/// A string property; empty when the item does not have it or it cannot be read.
QString stringEntry(libpff_item_t* item, uint32_t type, int set = 0)
{
    libpff_error_t* error = nullptr;
    size_t size = 0;
    if (libpff_item_get_entry_value_utf8_string_size(item, set, type, &size, 0, &error) != 1 || size == 0)
    {
        dropError(error);
        return {};
    }
    QByteArray buffer(qsizetype(size), '\0');
    if (libpff_item_get_entry_value_utf8_string(item, set, type, reinterpret_cast<uint8_t*>(buffer.data()), size, 0,
                                                &error) != 1)
    {
        dropError(error);
        return {};
    }
    return QString::fromUtf8(buffer.constData());
}

QByteArray binaryEntry(libpff_item_t* item, uint32_t type)
{
    libpff_error_t* error = nullptr;
    size_t size = 0;
    if (libpff_item_get_entry_value_binary_data_size(item, 0, type, &size, 0, &error) != 1 || size == 0 ||
        size > kMaxAttachment)
    {
        dropError(error);
        return {};
    }
    QByteArray buffer(qsizetype(size), '\0');
    if (libpff_item_get_entry_value_binary_data(item, 0, type, reinterpret_cast<uint8_t*>(buffer.data()), size, 0,
                                                &error) != 1)
    {
        dropError(error);
        return {};
    }
    return buffer;
}

std::optional<uint32_t> int32Entry(libpff_item_t* item, uint32_t type, int set = 0)
{
    libpff_error_t* error = nullptr;
    uint32_t value = 0;
    if (libpff_item_get_entry_value_32bit(item, set, type, &value, 0, &error) != 1)
    {
        dropError(error);
        return std::nullopt;
    }
    return value;
}

bool isHidden(libpff_item_t* folder)
{
    libpff_error_t* error = nullptr;
    uint8_t hidden = 0;
    if (libpff_item_get_entry_value_boolean(folder, 0, kAttrHidden, &hidden, 0, &error) != 1)
    {
        dropError(error);
        return false;
    }
    return hidden != 0;
}

QDateTime fromFiletime(uint64_t filetime)
{
    if (filetime == 0)
        return {};
    const qint64 secs = qint64(filetime / 10000000ULL) - 11644473600LL;
    return QDateTime::fromMSecsSinceEpoch(secs * 1000 + qint64(filetime / 10000ULL % 1000), Qt::UTC).toLocalTime();
}

QDateTime timeOf(libpff_item_t* message, int (*getter)(libpff_item_t*, uint64_t*, libpff_error_t**))
{
    libpff_error_t* error = nullptr;
    uint64_t filetime = 0;
    if (getter(message, &filetime, &error) != 1)
    {
        dropError(error);
        return {};
    }
    return fromFiletime(filetime);
}

/// Outlook's class number for a message class text.
int classNumber(const QString& messageClass)
{
    const auto is = [&](const char* prefix) {
        const QLatin1String p(prefix);
        return messageClass.compare(p, Qt::CaseInsensitive) == 0 ||
               messageClass.startsWith(p + QLatin1Char('.'), Qt::CaseInsensitive);
    };
    if (is("IPM.Note") || messageClass.compare(QLatin1String("IPM"), Qt::CaseInsensitive) == 0)
        return Outlook::olMail;
    if (is("IPM.Schedule.Meeting"))
        return Outlook::olMeetingRequest;
    if (is("IPM.Appointment"))
        return Outlook::olAppointment;
    if (is("IPM.Contact"))
        return Outlook::olContact;
    if (is("IPM.DistList"))
        return Outlook::olDistributionList;
    if (is("IPM.Task") || is("IPM.TaskRequest"))
        return Outlook::olTask;
    if (is("IPM.StickyNote"))
        return Outlook::olNote;
    if (is("IPM.Activity"))
        return Outlook::olJournal;
    if (is("IPM.Post"))
        return Outlook::olPost;
    if (messageClass.startsWith(QLatin1String("REPORT."), Qt::CaseInsensitive))
        return Outlook::olReport;
    return 41; // a document or any other class: never mail
}

class PstFile
{
public:
    explicit PstFile(const QString& path) : m_path(path)
    {
        libpff_error_t* error = nullptr;
        if (libpff_file_initialize(&m_file, &error) != 1)
            storeError(QStringLiteral("AddStore"), takeError(error));
        if (libpff_file_open(m_file, QFile::encodeName(path).constData(), LIBPFF_OPEN_READ, &error) != 1)
        {
            const QString why = takeError(error);
            libpff_file_free(&m_file, nullptr);
            storeError(
                QStringLiteral("AddStore"),
                QStringLiteral("The file \"%1\" cannot be opened as a personal folders file. %2").arg(path, why));
        }
    }
    ~PstFile()
    {
        libpff_file_close(m_file, nullptr);
        libpff_file_free(&m_file, nullptr);
    }
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    libpff_file_t* get() const { return m_file; }
    const QString& path() const { return m_path; }

private:
    QString m_path;
    libpff_file_t* m_file = nullptr;
};

/// A message's handle, shared by the item objects one position hands out.
struct PstMessage
{
    std::shared_ptr<PstFile> file;
    PffItem item;
    std::optional<int> itemClass;
};

Render::Message readMessage(libpff_item_t* message, int depth);

class PstItem : public Outlook::Item
{
public:
    explicit PstItem(std::shared_ptr<PstMessage> message) : m(std::move(message)) {}

    int Class() override
    {
        if (!m->itemClass)
        {
            libpff_error_t* error = nullptr;
            size_t size = 0;
            QString text;
            if (libpff_message_get_utf8_class_size(m->item.get(), &size, &error) == 1 && size > 0)
            {
                QByteArray buffer(qsizetype(size), '\0');
                if (libpff_message_get_utf8_class(m->item.get(), reinterpret_cast<uint8_t*>(buffer.data()), size,
                                                  &error) == 1)
                    text = QString::fromUtf8(buffer.constData());
            }
            dropError(error);
            m->itemClass = classNumber(text);
        }
        return *m->itemClass;
    }

    QString Body() override
    {
        mailOnly(u"Body");
        return bodyText(m->item.get());
    }
    QString SenderName() override
    {
        mailOnly(u"SenderName");
        return stringEntry(m->item.get(), LIBPFF_ENTRY_TYPE_MESSAGE_SENDER_NAME);
    }
    QString SenderEmailAddress() override
    {
        mailOnly(u"SenderEmailAddress");
        return stringEntry(m->item.get(), LIBPFF_ENTRY_TYPE_MESSAGE_SENDER_EMAIL_ADDRESS);
    }
    QString SenderEmailType() override
    {
        mailOnly(u"SenderEmailType");
        return stringEntry(m->item.get(), kSenderAddressType);
    }
    QString Subject() override
    {
        mailOnly(u"Subject");
        return subjectOf(m->item.get());
    }
    QString EntryID() override
    {
        mailOnly(u"EntryID");
        libpff_error_t* error = nullptr;
        uint32_t id = 0;
        if (libpff_item_get_identifier(m->item.get(), &id, &error) != 1)
            storeError(QStringLiteral("MailItem.EntryID"), takeError(error));
        return EntryId{EntryId::Kind::Pst, m->file->path(), QString::number(id)}.toString();
    }
    QDateTime ReceivedTime() override
    {
        mailOnly(u"ReceivedTime");
        QDateTime t = timeOf(m->item.get(), libpff_message_get_delivery_time);
        return t.isValid() ? t : timeOf(m->item.get(), libpff_message_get_client_submit_time);
    }
    QString SentOnText() override
    {
        mailOnly(u"SentOn");
        return Render::formatMailDate(sentTime(m->item.get()), true, QString(), QString());
    }
    void PrintOut() override
    {
        mailOnly(u"PrintOut");
        printMessage(readMessage(m->item.get(), 0), QStringLiteral("MailItem.PrintOut"));
    }

    /// The submit time, else the delivery time.
    static QDateTime sentTime(libpff_item_t* item)
    {
        const QDateTime submitted = timeOf(item, libpff_message_get_client_submit_time);
        return submitted.isValid() ? submitted : timeOf(item, libpff_message_get_delivery_time);
    }

    static QString subjectOf(libpff_item_t* item)
    {
        QString subject = stringEntry(item, LIBPFF_ENTRY_TYPE_MESSAGE_SUBJECT);
        // A stored subject may begin with a prefix-length marker: U+0001 and one character.
        if (subject.size() >= 2 && subject.at(0) == QChar(1))
            subject.remove(0, 2);
        return subject;
    }

    static QString bodyText(libpff_item_t* item)
    {
        Render::Message message;
        readBodies(item, message);
        return plainTextOf(message);
    }

    static void readBodies(libpff_item_t* item, Render::Message& out);

private:
    void mailOnly(QStringView member)
    {
        if (Class() != Outlook::olMail)
            Outlook::Item::notSupported(QStringLiteral("MailItem.") + member.toString());
    }

    std::shared_ptr<PstMessage> m;
};

QByteArray bodyBytes(libpff_item_t* item, int (*sizeOf)(libpff_item_t*, size_t*, libpff_error_t**),
                     int (*get)(libpff_item_t*, uint8_t*, size_t, libpff_error_t**))
{
    libpff_error_t* error = nullptr;
    size_t size = 0;
    if (sizeOf(item, &size, &error) != 1 || size == 0 || size > kMaxAttachment)
    {
        dropError(error);
        return {};
    }
    QByteArray buffer(qsizetype(size), '\0');
    if (get(item, reinterpret_cast<uint8_t*>(buffer.data()), size, &error) != 1)
    {
        dropError(error);
        return {};
    }
    // Sizes include a terminating NUL.
    while (buffer.endsWith('\0'))
        buffer.chop(1);
    return buffer;
}

// The charset the HTML names wins; else the message's Internet code page.
QString decodeHtml(const QByteArray& html, std::optional<uint32_t> codepage)
{
    if (codepage && !html.contains("charset"))
        return Render::decodeText(html, Render::charsetOfCodepage(int(*codepage)));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(html);
    return decoder.isValid() ? decoder.decode(html) : Render::decodeText(html, QByteArray());
}

/// The RTF body: libpff decompresses it, but not the uncompressed form, which is read here.
QByteArray rtfBody(libpff_item_t* item)
{
    QByteArray rtf = bodyBytes(item, libpff_message_get_rtf_body_size, libpff_message_get_rtf_body);
    if (!rtf.isEmpty())
        return rtf;
    const QByteArray raw = binaryEntry(item, kRtfCompressed);
    // Header: compressed size, raw size, "MELA" for uncompressed content, CRC.
    if (raw.size() > 16 && raw.mid(8, 4) == "MELA")
    {
        const quint32 rawSize =
            quint8(raw[4]) | quint8(raw[5]) << 8 | quint8(raw[6]) << 16 | quint32(quint8(raw[7])) << 24;
        return raw.mid(16, qMin<qsizetype>(rawSize, raw.size() - 16));
    }
    return {};
}

void PstItem::readBodies(libpff_item_t* item, Render::Message& out)
{
    out.textBody =
        QString::fromUtf8(bodyBytes(item, libpff_message_get_plain_text_body_size, libpff_message_get_plain_text_body));
    // Outlook stores a blank plain body beside a real RTF one.
    if (out.textBody.trimmed().isEmpty())
        out.textBody.clear();
    const QByteArray html = bodyBytes(item, libpff_message_get_html_body_size, libpff_message_get_html_body);
    if (!html.isEmpty())
        out.htmlBody = decodeHtml(html, int32Entry(item, kInternetCodepage));
    if (!out.hasNoBody())
        return;
    const Render::RtfText rtf = Render::RtfText::convert(rtfBody(item));
    if (rtf.isHtml)
        out.htmlBody = rtf.text;
    else
        out.textBody = rtf.text;
}

void readAttachments(libpff_item_t* message, Render::Message& out, int depth)
{
    libpff_error_t* error = nullptr;
    int count = 0;
    if (libpff_message_get_number_of_attachments(message, &count, &error) != 1)
    {
        dropError(error);
        return;
    }
    for (int i = 0; i < count; ++i)
    {
        PffItem attachment;
        if (libpff_message_get_attachment(message, i, attachment.out(), &error) != 1)
        {
            dropError(error);
            continue;
        }
        int type = 0;
        if (libpff_attachment_get_type(attachment.get(), &type, &error) != 1)
            dropError(error);
        if (type == LIBPFF_ATTACHMENT_TYPE_ITEM)
        {
            PffItem embedded;
            if (depth < 8 && libpff_attachment_get_item(attachment.get(), embedded.out(), &error) == 1)
                out.embedded.push_back(readMessage(embedded.get(), depth + 1));
            dropError(error);
            continue;
        }
        Render::Attachment part;
        part.fileName = stringEntry(attachment.get(), kAttachLongFilename);
        if (part.fileName.isEmpty())
            part.fileName = stringEntry(attachment.get(), kAttachFilename);
        if (part.fileName.isEmpty())
            part.fileName = stringEntry(attachment.get(), kDisplayName);
        part.mimeType = stringEntry(attachment.get(), kAttachMimeTag).toLower();
        part.contentId = stringEntry(attachment.get(), kAttachContentId);
        if (part.contentId.startsWith(QLatin1Char('<')) && part.contentId.endsWith(QLatin1Char('>')))
            part.contentId = part.contentId.mid(1, part.contentId.size() - 2);
        part.contentLocation = stringEntry(attachment.get(), kAttachContentLocation);
        if (type == LIBPFF_ATTACHMENT_TYPE_DATA)
        {
            size64_t size = 0;
            if (libpff_attachment_get_data_size(attachment.get(), &size, &error) == 1 && size > 0 &&
                size <= kMaxAttachment)
            {
                part.content.resize(qsizetype(size));
                const ssize_t got = libpff_attachment_data_read_buffer(
                    attachment.get(), reinterpret_cast<uint8_t*>(part.content.data()), size_t(size), &error);
                part.content.resize(got > 0 ? qsizetype(got) : 0);
            }
            dropError(error);
        }
        if (part.isShownBy(out.htmlBody))
            out.inlineParts.append(part);
        else
            out.attachments.append(part);
    }
}

// To, Cc and Bcc from the message's recipient table, with each recipient's Internet address.
void readRecipients(libpff_item_t* message, Render::Message& out)
{
    std::vector<Render::MapiRecipient> table;
    PffItem recipients;
    libpff_error_t* error = nullptr;
    int count = 0;
    if (libpff_message_get_recipients(message, recipients.out(), &error) != 1 || !recipients ||
        libpff_item_get_number_of_record_sets(recipients.get(), &count, &error) != 1)
    {
        dropError(error);
        count = 0;
    }
    for (int i = 0; i < count; ++i)
        table.push_back(
            {int32Entry(recipients.get(), kRecipientType, i).value_or(1),
             stringEntry(recipients.get(), kDisplayName, i), stringEntry(recipients.get(), kEmailAddress, i),
             stringEntry(recipients.get(), kAddressType, i), stringEntry(recipients.get(), kSmtpAddress, i)});
    out.to = stringEntry(message, kDisplayTo);
    out.cc = stringEntry(message, kDisplayCc);
    Render::setRecipients(out, table);
}

// Reply-To as the Internet header gave it (read by the message reader, as for .eml files),
// else the names of the reply recipients Outlook keeps.
QString replyTo(libpff_item_t* message)
{
    const QString headers = stringEntry(message, kTransportHeaders);
    if (headers.contains(QLatin1String("reply-to"), Qt::CaseInsensitive))
    {
        Render::Message parsed;
        if (Render::MimeReader::readBytes(headers.trimmed().toUtf8() + "\r\n\r\n", parsed) && !parsed.replyTo.isEmpty())
            return parsed.replyTo;
    }
    QStringList names = stringEntry(message, kReplyRecipientNames).split(u';', Qt::SkipEmptyParts);
    for (QString& name : names)
        name = name.trimmed();
    return Render::joinRecipients(names);
}

Render::Message readMessage(libpff_item_t* message, int depth)
{
    Render::Message out;
    out.from = Render::shownAddress(stringEntry(message, LIBPFF_ENTRY_TYPE_MESSAGE_SENDER_NAME),
                                    stringEntry(message, LIBPFF_ENTRY_TYPE_MESSAGE_SENDER_EMAIL_ADDRESS),
                                    stringEntry(message, kSenderAddressType));
    readRecipients(message, out);
    out.replyTo = replyTo(message);
    out.subject = PstItem::subjectOf(message);
    out.messageId = stringEntry(message, kInternetMessageId).trimmed().remove(u'<').remove(u'>');
    out.date = PstItem::sentTime(message);
    PstItem::readBodies(message, out);
    readAttachments(message, out, depth);
    return out;
}

class PstFolder : public FolderNode
{
public:
    PstFolder(std::shared_ptr<PstFile> file, PffItem folder, QString name)
        : m_file(std::move(file)), m_folder(std::move(folder)), m_name(std::move(name))
    {
    }

    QString name() override { return m_name; }

    int folderCount() override { return int(children().size()); }

    std::shared_ptr<FolderNode> folder(int index) override { return children().at(index); }

    int itemCount() override
    {
        if (!m_itemCount)
        {
            libpff_error_t* error = nullptr;
            int count = 0;
            // A damaged folder shows the items that can be read: none when its table cannot.
            if (libpff_folder_get_number_of_sub_messages(m_folder.get(), &count, &error) != 1)
            {
                dropError(error);
                count = 0;
            }
            m_itemCount = count;
        }
        return *m_itemCount;
    }

    std::unique_ptr<Outlook::Item> item(int index) override
    {
        if (index < 0 || index >= itemCount())
            storeError(QStringLiteral("Items.Item"), QStringLiteral("Array index out of bounds"));
        if (m_lastIndex != index || !m_last)
        {
            auto message = std::make_shared<PstMessage>();
            message->file = m_file;
            libpff_error_t* error = nullptr;
            if (libpff_folder_get_sub_message(m_folder.get(), index, message->item.out(), &error) != 1)
                storeError(
                    QStringLiteral("Items.Item"),
                    QStringLiteral("The item cannot be read from \"%1\". %2").arg(m_file->path(), takeError(error)));
            m_last = std::move(message);
            m_lastIndex = index;
        }
        return std::make_unique<PstItem>(m_last);
    }

private:
    const std::vector<std::shared_ptr<PstFolder>>& children()
    {
        if (!m_children)
        {
            m_children.emplace();
            libpff_error_t* error = nullptr;
            int count = 0;
            if (libpff_folder_get_number_of_sub_folders(m_folder.get(), &count, &error) != 1)
            {
                dropError(error);
                count = 0;
            }
            for (int i = 0; i < count; ++i)
            {
                PffItem sub;
                if (libpff_folder_get_sub_folder(m_folder.get(), i, sub.out(), &error) != 1)
                {
                    dropError(error);
                    continue;
                }
                if (isHidden(sub.get()))
                    continue;
                const QString name = stringEntry(sub.get(), kDisplayName);
                m_children->push_back(std::make_shared<PstFolder>(m_file, std::move(sub), name));
            }
        }
        return *m_children;
    }

    std::shared_ptr<PstFile> m_file;
    PffItem m_folder;
    QString m_name;
    std::optional<std::vector<std::shared_ptr<PstFolder>>> m_children;
    std::optional<int> m_itemCount;
    int m_lastIndex = -1;
    std::shared_ptr<PstMessage> m_last;
};

class PstStore : public Store
{
public:
    explicit PstStore(const QString& path) : m_file(std::make_shared<PstFile>(path))
    {
        libpff_error_t* error = nullptr;
        PffItem store;
        QString storeName;
        PffItem subtree;
        if (libpff_file_get_message_store(m_file->get(), store.out(), &error) == 1)
        {
            storeName = stringEntry(store.get(), kDisplayName);
            if (const auto nid = folderIdOf(store.get(), kIpmSubtreeEntryId))
                if (libpff_file_get_item_by_identifier(m_file->get(), *nid, subtree.out(), &error) != 1)
                    dropError(error);
        }
        dropError(error);
        if (!subtree)
            subtree = fallbackSubtree(store.get());
        if (!subtree)
            storeError(QStringLiteral("AddStore"),
                       QStringLiteral("The file \"%1\" holds no readable mail folders.").arg(path));
        if (storeName.isEmpty())
            storeName = stringEntry(subtree.get(), kDisplayName);
        if (storeName.isEmpty())
            storeName = QFileInfo(path).completeBaseName();
        m_root = std::make_shared<PstFolder>(m_file, std::move(subtree), storeName);
    }

    std::shared_ptr<FolderNode> root() override { return m_root; }

    QStringList notCovered() override
    {
        // The walk lists the folders below the top one, as a mail client shows them.
        int mails = 0;
        for (int i = 0; i < m_root->itemCount(); ++i)
        {
            try
            {
                mails += m_root->item(i)->Class() == Outlook::olMail;
            }
            catch (const AppError&)
            {
                ++mails; // an item that cannot be read counts as mail, as in the walk
            }
        }
        if (mails == 0)
            return {};
        return {mails == 1 ? QStringLiteral("1 message in its top folder is not listed")
                           : QStringLiteral("%1 messages in its top folder are not listed").arg(mails)};
    }

    std::unique_ptr<Outlook::Item> itemFromLocator(const QString& locator) override
    {
        bool ok = false;
        const uint32_t nid = locator.toUInt(&ok);
        if (!ok)
            return nullptr;
        auto message = std::make_shared<PstMessage>();
        message->file = m_file;
        libpff_error_t* error = nullptr;
        if (libpff_file_get_item_by_identifier(m_file->get(), nid, message->item.out(), &error) != 1)
        {
            dropError(error);
            return nullptr;
        }
        return std::make_unique<PstItem>(message);
    }

private:
    /// The node ID of the folder an entry ID of the store record names.
    static std::optional<uint32_t> folderIdOf(libpff_item_t* store, uint32_t tag)
    {
        const QByteArray entryId = store ? binaryEntry(store, tag) : QByteArray();
        // An entry ID: 4 flag bytes, the store's 16-byte provider UID, then the folder's node ID.
        if (entryId.size() < 24)
            return std::nullopt;
        const auto* b = reinterpret_cast<const uchar*>(entryId.constData()) + 20;
        return b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
    }

    static uint32_t idOf(libpff_item_t* item)
    {
        libpff_error_t* error = nullptr;
        uint32_t id = 0;
        if (libpff_item_get_identifier(item, &id, &error) != 1)
            dropError(error);
        return id;
    }

    /// Without the store's pointer: the top-level folder that holds the mail (see chooseMailTree).
    PffItem fallbackSubtree(libpff_item_t* store)
    {
        QList<uint32_t> standard, nonMail;
        for (uint32_t tag : {kOutboxEntryId, kWastebasketEntryId, kSentMailEntryId})
            if (const auto nid = folderIdOf(store, tag))
                standard << *nid;
        for (uint32_t tag : {kViewsEntryId, kCommonViewsEntryId, kFinderEntryId})
            if (const auto nid = folderIdOf(store, tag))
                nonMail << *nid;
        libpff_error_t* error = nullptr;
        PffItem root;
        int count = 0;
        if (libpff_file_get_root_folder(m_file->get(), root.out(), &error) != 1 ||
            libpff_folder_get_number_of_sub_folders(root.get(), &count, &error) != 1)
        {
            dropError(error);
            return {};
        }
        std::vector<PffItem> items;
        std::vector<TopFolder> facts;
        for (int i = 0; i < count; ++i)
        {
            PffItem sub;
            if (libpff_folder_get_sub_folder(root.get(), i, sub.out(), &error) != 1 || isHidden(sub.get()))
            {
                dropError(error);
                continue;
            }
            TopFolder fact;
            fact.name = stringEntry(sub.get(), kDisplayName);
            fact.searchOrViews =
                nonMail.contains(idOf(sub.get())) || int32Entry(sub.get(), kFolderType) == kSearchFolder;
            if (libpff_folder_get_number_of_sub_folders(sub.get(), &fact.subfolderCount, &error) != 1)
                dropError(error);
            for (int j = 0; j < fact.subfolderCount && !fact.holdsStandardFolder; ++j)
            {
                PffItem child;
                if (libpff_folder_get_sub_folder(sub.get(), j, child.out(), &error) != 1)
                {
                    dropError(error);
                    continue;
                }
                fact.holdsStandardFolder = standard.contains(idOf(child.get()));
            }
            facts.push_back(std::move(fact));
            items.push_back(std::move(sub));
        }
        const int chosen = chooseMailTree(facts);
        return chosen < 0 ? PffItem() : std::move(items[size_t(chosen)]);
    }

    std::shared_ptr<PstFile> m_file;
    std::shared_ptr<PstFolder> m_root;
};

} // namespace

std::shared_ptr<Store> openPstStore(const QString& path)
{
    return std::make_shared<PstStore>(path);
}

} // namespace MailStore
