#include "TnefProperties.h"

namespace Render::TnefProperties
{

namespace
{

constexpr quint32 Signature = 0x223E9F78;
constexpr quint8 MessageLevel = 1;
constexpr quint16 MultiValued = 0x1000;
constexpr quint16 FirstNamedId = 0x8000;

// Little-endian reads that never pass the end of the bytes.
class Cursor
{
public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}

    qint64 left() const { return m_bytes.size() - m_pos; }

    bool number(quint32& value, int size)
    {
        if (left() < size)
            return false;
        value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | quint8(m_bytes[m_pos + i]);
        m_pos += size;
        return true;
    }

    bool skip(qint64 size)
    {
        if (size < 0 || size > left())
            return false;
        m_pos += size;
        return true;
    }

    bool take(qint64 size, QByteArray& out)
    {
        if (size < 0 || size > left())
            return false;
        out = m_bytes.mid(m_pos, size);
        m_pos += size;
        return true;
    }

    // Values are padded to a multiple of four; a stream may end without the last padding.
    void skipPadding(qint64 size) { m_pos += qMin<qint64>((4 - size % 4) % 4, left()); }

private:
    const QByteArray& m_bytes;
    qint64 m_pos = 0;
};

// Bytes one value of a fixed-size type takes (16-bit ones are padded to four); 0 for the
// types whose values carry their length; -1 for a type whose size is not known.
int fixedSize(quint16 type)
{
    switch (type)
    {
    case 0x0002: // 16-bit integer
    case 0x0003: // 32-bit integer
    case 0x0004: // float
    case 0x000A: // error code
    case 0x000B: // boolean
        return 4;
    case 0x0005: // double
    case 0x0006: // currency
    case 0x0007: // application time
    case 0x0014: // 64-bit integer
    case 0x0040: // FILETIME
        return 8;
    case 0x0048: // GUID
        return 16;
    case 0x000D: // object
    case 0x001E: // 8-bit string
    case 0x001F: // UTF-16 string
    case 0x0102: // binary
        return 0;
    default:
        return -1;
    }
}

bool readProperty(Cursor& in, Property& property)
{
    quint32 type = 0;
    quint32 id = 0;
    if (!in.number(type, 2) || !in.number(id, 2))
        return false;
    if (id >= FirstNamedId)
    {
        // A named property: its set's GUID, then a number (kind 0) or a UTF-16 name (kind 1).
        quint32 kind = 0;
        quint32 name = 0;
        if (!in.skip(16) || !in.number(kind, 4) || kind > 1 || !in.number(name, 4))
            return false;
        if (kind == 1)
        {
            if (!in.skip(name))
                return false;
            in.skipPadding(name);
        }
    }
    property.type = quint16(type);
    property.id = quint16(id);
    const int fixed = fixedSize(quint16(type & ~MultiValued));
    if (fixed < 0)
        return false;
    quint32 count = 1;
    if (((type & MultiValued) || fixed == 0) && !in.number(count, 4))
        return false;
    // Each value takes at least four bytes, so a false count ends with the bytes.
    for (quint32 i = 0; i < count; ++i)
    {
        quint32 size = quint32(fixed);
        QByteArray value;
        if ((fixed == 0 && !in.number(size, 4)) || !in.take(size, value))
            return false;
        in.skipPadding(size);
        if (i == 0)
            property.value = std::move(value);
    }
    return true;
}

} // namespace

QByteArray messageAttribute(const QByteArray& stream, quint32 id)
{
    Cursor in(stream);
    quint32 signature = 0;
    if (!in.number(signature, 4) || signature != Signature || !in.skip(2))
        return {};
    quint32 level = 0;
    quint32 attribute = 0;
    quint32 size = 0;
    while (in.number(level, 1) && in.number(attribute, 4) && in.number(size, 4))
    {
        QByteArray data;
        if (!in.take(size, data))
            return {};
        if (level == MessageLevel && attribute == id)
            return data;
        if (!in.skip(2)) // the checksum
            return {};
    }
    return {};
}

std::vector<Row> rows(const QByteArray& table)
{
    std::vector<Row> out;
    Cursor in(table);
    quint32 count = 0;
    if (!in.number(count, 4))
        return out;
    for (quint32 r = 0; r < count; ++r)
    {
        quint32 properties = 0;
        if (!in.number(properties, 4))
            break;
        Row row;
        bool whole = true;
        for (quint32 i = 0; i < properties && whole; ++i)
        {
            Property property;
            whole = readProperty(in, property);
            if (whole)
                row.push_back(std::move(property));
        }
        // A row cut short keeps what was read of it; nothing after it can be found.
        if (!row.empty())
            out.push_back(std::move(row));
        if (!whole)
            break;
    }
    return out;
}

} // namespace Render::TnefProperties
