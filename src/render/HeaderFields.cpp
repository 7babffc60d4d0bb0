#include "HeaderFields.h"

#include "GMimePtr.h"
#include "Message.h"
#include "TextLines.h"

#include <QStringList>
#include <cstring>

namespace Render
{

GMimeParserOptions* readerOptions()
{
    static GMimeParserOptions* const options = [] {
        ensureGMime();
        GMimeParserOptions* o = g_mime_parser_options_new();
        g_mime_parser_options_set_rfc2047_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        g_mime_parser_options_set_parameter_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        g_mime_parser_options_set_address_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        const char* fallback[] = {"utf-8", "windows-1252", nullptr};
        g_mime_parser_options_set_fallback_charsets(o, fallback);
        return o;
    }();
    return options;
}

namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Printable ASCII and blanks, without encoded words: the text is the bytes themselves.
bool isPlain(QByteArrayView value)
{
    for (qsizetype i = 0; i < value.size(); ++i)
    {
        const char c = value[i];
        if ((c < 0x20 || c > 0x7e) && !isBlank(c))
            return false;
        if (c == '=' && i + 1 < value.size() && value[i + 1] == '?')
            return false;
    }
    return true;
}

// Line breaks dropped (as unfolding does), runs of blanks made one space, none at either end.
QString simplifiedLatin1(QByteArrayView value)
{
    QString text(value.size(), Qt::Uninitialized);
    QChar* out = text.data();
    bool blank = false;
    for (char c : value)
    {
        if (c == '\r' || c == '\n')
            continue;
        if (c == ' ' || c == '\t')
        {
            blank = out != text.data();
            continue;
        }
        if (blank)
            *out++ = u' ';
        blank = false;
        *out++ = QLatin1Char(c);
    }
    text.truncate(out - text.data());
    return text;
}

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// An old relayed address ("host!user@relay@domain") holds a second "@" within one word, where
// the address parser would cut it.
bool hasBangPath(QByteArrayView value)
{
    qsizetype run = 0;    // length of the current word
    bool afterAt = false; // the word follows "word@"
    for (char c : value)
    {
        if (c == '@')
        {
            if (afterAt && run > 0)
                return true;
            afterAt = run > 0;
            run = 0;
        }
        else if (isBlank(c) || c == '<' || c == '>' || c == ',' || c == ';' || c == ':' || c == '"')
        {
            run = 0;
            afterAt = false;
        }
        else
            ++run;
    }
    return false;
}

// The characters of an atom (RFC 5322 atext).
bool isAtext(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c));
}

// local@domain of dot-separated atoms. A domain with "--" may be an internationalised one
// ("xn--"), which the address parser decodes.
bool isPlainAddress(QByteArrayView addr)
{
    const qsizetype at = addr.indexOf('@');
    if (at <= 0 || at == addr.size() - 1 || addr.sliced(at).contains("--"))
        return false;
    char previous = '.';
    for (qsizetype i = 0; i < addr.size(); ++i)
    {
        const char c = addr[i];
        const bool separator = c == '.' || i == at;
        if (separator ? previous == '.' || previous == '@' : !isAtext(c))
            return false;
        previous = c;
    }
    return previous != '.';
}

// The common forms "local@domain" and "Some Name <local@domain>" in plain ASCII, read without
// the address parser: it costs more than the rest of a row. Anything else returns false.
bool plainMailbox(QByteArrayView value, HeaderFields::Mailbox& mailbox)
{
    while (!value.isEmpty() && isBlank(value.front()))
        value = value.sliced(1);
    while (!value.isEmpty() && isBlank(value.back()))
        value.chop(1);
    if (value.isEmpty() || !isPlain(value) || value.contains('\r') || value.contains('\n'))
        return false;
    const qsizetype open = value.indexOf('<');
    QByteArrayView phrase;
    QByteArrayView addr = value;
    if (open >= 0)
    {
        if (value.back() != '>')
            return false;
        phrase = value.first(open);
        addr = value.sliced(open + 1, value.size() - open - 2);
        for (char c : phrase)
            if (!isAtext(c) && !isBlank(c))
                return false;
    }
    if (!isPlainAddress(addr))
        return false;
    mailbox.address = QString::fromLatin1(addr);
    mailbox.name = phrase.isEmpty() ? QString() : simplifiedLatin1(phrase);
    if (mailbox.name.isEmpty())
        mailbox.name = mailbox.address;
    return true;
}

GObjectPtr<InternetAddressList> parseAddresses(const QByteArray& value)
{
    ensureGMime();
    // The parser wants the text to end in a NUL; `value` may point into a longer block.
    const QByteArray copy(value.constData(), value.size());
    return GObjectPtr<InternetAddressList>(internet_address_list_parse(readerOptions(), copy.constData()));
}

constexpr const char* addressNames[HeaderFields::AddressCount] = {"From", "To", "Cc", "Bcc", "Reply-To"};

} // namespace

QString HeaderFields::text(QByteArrayView value)
{
    if (value.isNull())
        return {};
    if (isPlain(value))
        return simplifiedLatin1(value);
    ensureGMime();
    GCharPtr unfolded(g_mime_utils_header_unfold(value.toByteArray().constData()));
    GCharPtr decoded(g_mime_utils_header_decode_text(readerOptions(), unfolded.get()));
    return fromUtf8(decoded.get()).simplified();
}

void HeaderFields::add(QByteArrayView name, QByteArrayView value)
{
    if (name.compare("Subject", Qt::CaseInsensitive) == 0)
        m_subject = value;
    else if (name.compare("Date", Qt::CaseInsensitive) == 0)
    {
        if (m_date.isNull())
            m_date = value;
    }
    else
        for (int field = 0; field < AddressCount; ++field)
            if (name.compare(addressNames[field], Qt::CaseInsensitive) == 0)
            {
                QByteArray& kept = m_addresses[field];
                // The first occurrence is only pointed at; a second one joins it as a list.
                kept = kept.isNull() ? QByteArray::fromRawData(value.data(), value.size())
                                     : QByteArray(kept).append(',').append(value);
                return;
            }
}

void HeaderFields::add(GMimeObject* object)
{
    GMimeHeaderList* headers = g_mime_object_get_header_list(object);
    for (int i = 0; headers && i < g_mime_header_list_get_count(headers); ++i)
    {
        GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
        if (const char* value = g_mime_header_get_raw_value(header))
            add(QByteArrayView(g_mime_header_get_name(header)), QByteArrayView(value));
    }
}

bool HeaderFields::addBlock(QByteArrayView block)
{
    HeaderFields taken;
    QByteArrayView name;
    const char* valueStart = nullptr;
    const char* valueEnd = nullptr;
    const auto flush = [&] {
        if (valueStart)
            taken.add(name, QByteArrayView(valueStart, valueEnd));
    };
    bool laidOut = true;
    forEachLine(block, [&](QByteArrayView line) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            return false;
        if (line.front() == ' ' || line.front() == '\t')
        {
            valueEnd = line.data() + line.size();
            return laidOut = valueStart != nullptr;
        }
        const qsizetype colon = line.indexOf(':');
        flush();
        name = line.first(qMax<qsizetype>(colon, 0));
        valueStart = line.data() + colon + 1;
        valueEnd = line.data() + line.size();
        return laidOut = colon > 0 && std::none_of(name.begin(), name.end(), [](char c) { return c <= ' ' || c >= 127; });
    });
    if (!laidOut)
        return false;
    flush();
    *this = std::move(taken);
    return true;
}

QString HeaderFields::addressLine(Address field) const
{
    const QByteArray& value = m_addresses[field];
    if (value.isNull())
        return {};
    if (!hasBangPath(value))
        if (const auto list = parseAddresses(value); list && internet_address_list_length(list.get()) > 0)
        {
            QStringList shown;
            for (int i = 0; i < internet_address_list_length(list.get()); ++i)
            {
                GCharPtr one(
                    internet_address_to_string(internet_address_list_get_address(list.get(), i), nullptr, FALSE));
                if (one)
                    shown << QString::fromUtf8(one.get()).simplified();
            }
            return joinRecipients(shown);
        }
    return text(value);
}

HeaderFields::Mailbox HeaderFields::sender() const
{
    const QByteArray& value = m_addresses[From];
    Mailbox mailbox;
    if (value.isNull() || plainMailbox(value, mailbox))
        return mailbox;
    if (!hasBangPath(value))
        if (const auto list = parseAddresses(value); list && internet_address_list_length(list.get()) > 0)
        {
            InternetAddress* first = internet_address_list_get_address(list.get(), 0);
            mailbox.name = fromUtf8(internet_address_get_name(first)).simplified();
            if (INTERNET_ADDRESS_IS_MAILBOX(first))
                mailbox.address = fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)));
            if (mailbox.name.isEmpty())
                mailbox.name = mailbox.address;
            return mailbox;
        }
    mailbox.name = text(value);
    if (hasBangPath(value))
        mailbox.address = mailbox.name;
    return mailbox;
}

} // namespace Render
