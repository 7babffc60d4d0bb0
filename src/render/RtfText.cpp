#include "RtfText.h"

#include "TextDecoding.h"

#include <vector>

namespace Render
{

namespace
{

struct GroupState
{
    bool skip = false;       // an ignored destination (font table, pictures, ...)
    bool htmlTag = false;    // inside a wrapped HTML tag: always output
    bool suppressed = false; // between \htmlrtf and \htmlrtf0: RTF-only rendering, not HTML
    int unicodeSkip = 1;     // characters standing in for each \uN
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSkippedDestination(const QByteArray& word)
{
    static const char* const names[] = {"fonttbl",
                                        "colortbl",
                                        "stylesheet",
                                        "info",
                                        "pict",
                                        "object",
                                        "header",
                                        "footer",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "filetbl",
                                        "revtbl",
                                        "nonshppict",
                                        "themedata",
                                        "colorschememapping",
                                        "latentstyles",
                                        "datastore",
                                        "xmlnstbl",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "mhtmltag",
                                        "fldinst"};
    for (const char* name : names)
        if (word == name)
            return true;
    return false;
}

class Converter
{
public:
    explicit Converter(const QByteArray& rtf) : m_in(rtf) {}

    RtfText run()
    {
        std::vector<GroupState> stack{GroupState{}};
        bool ignorableNext = false;
        qsizetype i = 0;
        const qsizetype n = m_in.size();
        while (i < n)
        {
            const char c = m_in.at(i);
            GroupState& state = stack.back();
            if (c == '{')
            {
                if (stack.size() < 512)
                    stack.push_back(state);
                ++i;
                continue;
            }
            if (c == '}')
            {
                flushBytes();
                if (stack.size() > 1)
                    stack.pop_back();
                ++i;
                continue;
            }
            if (c == '\r' || c == '\n')
            {
                ++i;
                continue;
            }
            if (c != '\\')
            {
                if (!state.skip && isOutput(state))
                    m_bytes.append(c);
                ++i;
                continue;
            }
            // A control sequence.
            ++i;
            if (i >= n)
                break;
            const char s = m_in.at(i);
            if (s == '\'')
            {
                const int hi = i + 1 < n ? hexValue(m_in.at(i + 1)) : -1;
                const int lo = i + 2 < n ? hexValue(m_in.at(i + 2)) : -1;
                if (hi >= 0 && lo >= 0)
                {
                    if (!state.skip && isOutput(state))
                        m_bytes.append(char(hi * 16 + lo));
                    i += 3;
                }
                else
                    ++i;
                continue;
            }
            if (!isLetter(s))
            {
                ++i;
                if (s == '*')
                    ignorableNext = true;
                else if (!state.skip && isOutput(state))
                {
                    if (s == '\\' || s == '{' || s == '}')
                        m_bytes.append(s);
                    else if (s == '~')
                        put(QChar(0xA0));
                    else if (s == '_')
                        put(QChar('-'));
                    else if (s == '\n' || s == '\r')
                        put(QChar('\n'));
                }
                continue;
            }
            const qsizetype start = i;
            while (i < n && isLetter(m_in.at(i)) && i - start < 32)
                ++i;
            const QByteArray word = m_in.mid(start, i - start);
            bool hasParam = false;
            long param = 0;
            bool negative = false;
            if (i < n && m_in.at(i) == '-')
            {
                negative = true;
                ++i;
            }
            while (i < n && m_in.at(i) >= '0' && m_in.at(i) <= '9')
            {
                if (param < 100000000)
                    param = param * 10 + (m_in.at(i) - '0');
                hasParam = true;
                ++i;
            }
            if (negative)
                param = -param;
            if (i < n && m_in.at(i) == ' ')
                ++i;

            const bool ignorable = std::exchange(ignorableNext, false);
            if (word == "htmltag")
            {
                state.htmlTag = true;
                state.skip = false;
                continue;
            }
            if (ignorable || isSkippedDestination(word))
            {
                state.skip = true;
                continue;
            }
            if (word == "fromhtml")
                m_html = true;
            else if (word == "htmlrtf")
                state.suppressed = !hasParam || param != 0;
            else if (word == "ansicpg" && hasParam)
            {
                flushBytes(); // the bytes before it are in the code page they were written in
                m_codepage = int(param);
            }
            else if (word == "uc" && hasParam)
                state.unicodeSkip = int(qBound(0L, param, 8L));
            else if (word == "u" && hasParam)
            {
                if (!state.skip && isOutput(state))
                    put(QChar(char16_t(param < 0 ? param + 65536 : param)));
                i = skipFallback(i, state.unicodeSkip);
            }
            else if (state.skip || !isOutput(state))
                continue;
            else if (word == "par" || word == "line")
                put(QChar('\n'));
            else if (word == "tab")
                put(QChar('\t'));
            else if (word == "emdash")
                put(QChar(0x2014));
            else if (word == "endash")
                put(QChar(0x2013));
            else if (word == "bullet")
                put(QChar(0x2022));
            else if (word == "lquote" || word == "rquote")
                put(QChar(word == "lquote" ? 0x2018 : 0x2019));
            else if (word == "ldblquote" || word == "rdblquote")
                put(QChar(word == "ldblquote" ? 0x201C : 0x201D));
        }
        flushBytes();
        return {m_html, m_text};
    }

private:
    bool isOutput(const GroupState& state) const { return m_html ? (state.htmlTag || !state.suppressed) : true; }

    // The characters after \uN that readers without Unicode would show instead.
    qsizetype skipFallback(qsizetype i, int count) const
    {
        while (count > 0 && i < m_in.size())
        {
            const char c = m_in.at(i);
            if (c == '{' || c == '}')
                break;
            if (c == '\\' && i + 1 < m_in.size() && m_in.at(i + 1) == '\'')
                i += 4;
            else if (c == '\\')
            {
                ++i;
                while (i < m_in.size() && isLetter(m_in.at(i)))
                    ++i;
                while (i < m_in.size() && (m_in.at(i) == '-' || (m_in.at(i) >= '0' && m_in.at(i) <= '9')))
                    ++i;
                if (i < m_in.size() && m_in.at(i) == ' ')
                    ++i;
            }
            else
                ++i;
            --count;
        }
        return qMin(i, m_in.size());
    }

    void put(QChar c)
    {
        flushBytes();
        m_text.append(c);
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        m_text += decodeText(m_bytes, charsetOfCodepage(m_codepage));
        m_bytes.clear();
    }

    const QByteArray& m_in;
    QByteArray m_bytes;
    QString m_text;
    int m_codepage = 1252;
    bool m_html = false;
};

} // namespace

RtfText RtfText::convert(const QByteArray& rtf)
{
    if (!rtf.startsWith("{\\rtf"))
        return {};
    RtfText result = Converter(rtf).run();
    if (!result.isHtml)
        result.text = result.text.trimmed();
    return result;
}

} // namespace Render
