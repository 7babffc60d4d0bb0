#include "RegistryHive.h"

#include <QStringView>

namespace
{

// Deeper keys than the system allows are ignored; it also bounds the tree's depth.
constexpr int kMaxDepth = 512;

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads an escaped text from pos up to the unescaped terminator; pos ends after it.
// False when the line ends first.
bool readEscaped(QStringView line, qsizetype& pos, char16_t terminator, QString& out)
{
    // Most texts hold no escape: taken whole.
    for (qsizetype end = pos; end < line.size() && line[end] != u'\\'; ++end)
    {
        if (line[end] == terminator)
        {
            out = line.mid(pos, end - pos).toString();
            pos = end + 1;
            return true;
        }
    }
    out.clear();
    while (pos < line.size())
    {
        const QChar c = line[pos++];
        if (c == terminator)
            return true;
        if (c != u'\\' || pos >= line.size())
        {
            out.append(c);
            continue;
        }
        const QChar e = line[pos++];
        switch (e.unicode())
        {
        case 'a':
            out.append(QChar(7));
            break;
        case 'b':
            out.append(QChar(8));
            break;
        case 't':
            out.append(QChar(9));
            break;
        case 'n':
            out.append(QChar(10));
            break;
        case 'v':
            out.append(QChar(11));
            break;
        case 'f':
            out.append(QChar(12));
            break;
        case 'r':
            out.append(QChar(13));
            break;
        case 'e':
            out.append(QChar(27));
            break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 4 && pos < line.size() && hexDigit(line[pos]) >= 0)
                value = value * 16 + hexDigit(line[pos++]), ++digits;
            out.append(digits ? QChar(value) : QChar(u'x'));
            break;
        }
        default:
            if (e >= u'0' && e <= u'7')
            {
                int value = e.unicode() - '0';
                for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= u'0' && line[pos] <= u'7';
                     ++digits)
                    value = value * 8 + (line[pos++].unicode() - '0');
                out.append(QChar(value));
            }
            else
            {
                out.append(e); // \\ \" \[ \] and anything else stand for themselves
            }
        }
    }
    return false;
}

QByteArray utf16WithNul(const QString& text)
{
    QByteArray data((text.size() + 1) * 2, Qt::Uninitialized);
    char* out = data.data();
    for (const QChar c : text)
    {
        *out++ = static_cast<char>(c.unicode() & 0xff);
        *out++ = static_cast<char>(c.unicode() >> 8);
    }
    out[0] = out[1] = '\0';
    return data;
}

// Reads comma-separated hex bytes; a line ending in a backslash goes on in the next one.
QByteArray readHexBytes(const QList<QStringView>& lines, qsizetype& index, QStringView first)
{
    QByteArray data;
    QStringView rest = first;
    while (true)
    {
        rest = rest.trimmed();
        bool more = false;
        qsizetype pos = 0;
        while (pos < rest.size())
        {
            if (rest[pos] == u',' || rest[pos] == u' ' || rest[pos] == u'\t')
            {
                ++pos;
                continue;
            }
            if (rest[pos] == u'\\' && pos + 1 == rest.size())
            {
                more = true;
                break;
            }
            const int high = hexDigit(rest[pos]);
            const int low = pos + 1 < rest.size() ? hexDigit(rest[pos + 1]) : -1;
            if (high < 0 || low < 0)
                return data;
            data.append(static_cast<char>(high * 16 + low));
            pos += 2;
        }
        if (!more || index + 1 >= lines.size())
            return data;
        rest = lines[++index];
    }
}

bool parseType(QStringView text, quint32& type)
{
    bool ok = false;
    type = text.toUInt(&ok, 16);
    return ok;
}

} // namespace

RegistryHive RegistryHive::parse(const QByteArray& bytes)
{
    RegistryHive hive;
    const QString text = QString::fromUtf8(bytes);
    QList<QStringView> lines;
    for (QStringView line : QStringView(text).split(u'\n'))
        lines.append(line.endsWith(u'\r') ? line.chopped(1) : line);

    qsizetype index = 0;
    while (index < lines.size() && lines[index].trimmed().isEmpty())
        ++index;
    if (index >= lines.size() || !lines[index].startsWith(u"WINE REGISTRY Version 2"))
        return hive;

    Key* current = nullptr;
    QString name;
    for (++index; index < lines.size(); ++index)
    {
        const QStringView line = lines[index];
        if (line.isEmpty() || line[0] == u';' || line[0] == u'#')
            continue;
        qsizetype pos = 1;
        if (line[0] == u'[')
        {
            current = nullptr;
            if (!readEscaped(line, pos, u']', name))
                continue;
            QStringList components = name.split(u'\\', Qt::SkipEmptyParts);
            if (components.size() <= kMaxDepth)
                current = hive.findOrCreate(components);
            continue;
        }
        if (!current)
            continue;
        if (line[0] == u'@')
            name.clear();
        else if (line[0] != u'"' || !readEscaped(line, pos, u'"', name))
            continue;
        if (pos >= line.size() || line[pos] != u'=')
            continue;
        const QStringView data = line.mid(pos + 1);

        Value value{name, 0, {}};
        QString textData;
        qsizetype dataPos = 1;
        if (data.startsWith(u'"'))
        {
            if (!readEscaped(data, dataPos, u'"', textData))
                continue;
            value.type = 1;
            value.data = utf16WithNul(textData);
        }
        else if (data.startsWith(u"str("))
        {
            const qsizetype close = data.indexOf(u"):\"");
            if (close < 0 || !parseType(data.mid(4, close - 4), value.type))
                continue;
            dataPos = close + 3;
            if (!readEscaped(data, dataPos, u'"', textData))
                continue;
            value.data = utf16WithNul(textData);
        }
        else if (data.startsWith(u"dword:"))
        {
            bool ok = false;
            const quint32 number = data.mid(6).trimmed().toUInt(&ok, 16);
            if (!ok)
                continue;
            value.type = 4;
            for (int shift = 0; shift < 32; shift += 8)
                value.data.append(static_cast<char>((number >> shift) & 0xff));
        }
        else if (data.startsWith(u"hex:"))
        {
            value.type = 3;
            value.data = readHexBytes(lines, index, data.mid(4));
        }
        else if (data.startsWith(u"hex("))
        {
            const qsizetype close = data.indexOf(u"):");
            if (close < 0 || !parseType(data.mid(4, close - 4), value.type))
                continue;
            value.data = readHexBytes(lines, index, data.mid(close + 2));
        }
        else
        {
            continue;
        }

        // A name given twice keeps its place and takes the later data.
        auto same = std::find_if(current->values.begin(), current->values.end(), [&](const Value& v) {
            return v.name.size() == value.name.size() && v.name.compare(value.name, Qt::CaseInsensitive) == 0;
        });
        if (same != current->values.end())
            *same = std::move(value);
        else
            current->values.append(std::move(value));
    }
    return hive;
}

RegistryHive::Key* RegistryHive::findOrCreate(const QStringList& components)
{
    Key* key = &m_root;
    for (const QString& component : components)
    {
        std::unique_ptr<Key>& child = key->subKeys[component.toUpper()];
        if (!child)
        {
            child = std::make_unique<Key>();
            child->name = component;
        }
        key = child.get();
    }
    return key;
}

const RegistryHive::Key* RegistryHive::find(const QString& path) const
{
    const Key* key = &m_root;
    for (const QString& component : path.split(u'\\', Qt::SkipEmptyParts))
    {
        const auto found = key->subKeys.find(component.toUpper());
        if (found == key->subKeys.end())
            return nullptr;
        key = found->second.get();
    }
    return key;
}

QStringList RegistryHive::subKeyNames(const Key& key)
{
    QStringList names;
    for (const auto& entry : key.subKeys)
        names.append(entry.second->name);
    return names;
}
