// The writer: every node's XML text, laid out by a formatting context.
#include "xml/AdvXMLParser.h"

namespace AdvXMLParser {

FormattingContext::FormattingContext(unsigned flags, std::string indentUnit)
    : m_flags(flags)
    , m_indentUnit(std::move(indentUnit))
{
}

void FormattingContext::StartLine()
{
    if (!Formatting())
        return;
    if (!m_atLineStart)
        m_output += '\n';
    for (int i = 1; i < m_depth; ++i)
        m_output += m_indentUnit;
    m_atLineStart = false;
}

void FormattingContext::LineBreak()
{
    if (!Formatting())
        return;
    m_output += '\n';
    m_atLineStart = true;
}

void FormattingContext::Append(const std::string& text)
{
    m_output += text;
    m_atLineStart = false;
}

void FormattingContext::Append(const char* text, std::size_t length)
{
    m_output.append(text, length);
    m_atLineStart = false;
}

void FormattingContext::Append(char c)
{
    m_output += c;
    m_atLineStart = false;
}

void FormattingContext::AppendEscaped(std::string_view text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* run = p;
        while (p < end && *p != '<' && *p != '>' && *p != '&' && *p != '\'' && *p != '"')
            ++p;
        m_output.append(run, p);
        if (p == end)
            break;
        switch (*p++) {
        case '<':
            m_output += "&lt;";
            break;
        case '>':
            m_output += "&gt;";
            break;
        case '&':
            m_output += "&amp;";
            break;
        case '\'':
            m_output += "&apos;";
            break;
        default:
            m_output += "&quot;";
            break;
        }
    }
    if (!text.empty())
        m_atLineStart = false;
}

void NodeContainer::WriteChildren(FormattingContext& context) const
{
    for (Node* child = m_first; child; child = child->NextSibling())
        child->Write(context);
}

void Document::Write(FormattingContext& context) const
{
    context.Append("<?xml version=\"");
    context.Append(m_version);
    context.Append("\" encoding=\"");
    context.Append(m_encoding);
    context.Append("\"?>");
    context.LineBreak();
    WriteChildren(context);
}

std::string Document::ToString() const
{
    FormattingContext context;
    Write(context);
    return std::move(context.Output());
}

std::string Document::ToCompactString() const
{
    FormattingContext context(FormattingContext::kNoFormatting);
    Write(context);
    return std::move(context.Output());
}

void Element::Write(FormattingContext& context) const
{
    context.EnterElement();
    context.StartLine();
    context.Append('<');
    context.Append(Name());
    for (Node* attribute = m_firstAttribute; attribute; attribute = attribute->NextSibling())
        attribute->Write(context);
    if (!FirstChild()) {
        context.Append("/>");
    } else {
        context.Append('>');
        context.SetChildElementWritten(false);
        WriteChildren(context);
        if (context.ChildElementWritten())
            context.StartLine();
        context.Append("</");
        context.Append(Name());
        context.Append('>');
    }
    context.LeaveElement();
    context.SetChildElementWritten(true);
}

void Attribute::Write(FormattingContext& context) const
{
    context.Append(' ');
    context.Append(Name());
    context.Append("=\"");
    context.AppendEscaped(Value());
    context.Append('"');
}

void Text::Write(FormattingContext& context) const
{
    context.AppendEscaped(m_text);
}

void Comment::Write(FormattingContext& context) const
{
    context.StartLine();
    context.Append("<!--");
    context.Append(m_text);
    context.Append("-->");
    context.LineBreak();
}

void Pi::Write(FormattingContext& context) const
{
    context.StartLine();
    context.Append("<?");
    context.Append(Name());
    if (!m_data.empty()) {
        context.Append(' ');
        context.Append(m_data);
    }
    context.Append("?>");
    context.LineBreak();
}

void CData::Write(FormattingContext& context) const
{
    context.StartLine();
    context.Append("<![CDATA[");
    context.Append(m_text);
    context.Append("]]>");
    context.LineBreak();
}

void CharRef::Write(FormattingContext& context) const
{
    static const char kDigits[] = "0123456789ABCDEF";
    context.Append("&#x");
    if (m_code >= 16)
        context.Append(kDigits[m_code >> 4]);
    context.Append(kDigits[m_code & 15]);
    context.Append(';');
}

void EntityRef::Write(FormattingContext& context) const
{
    context.Append('&');
    context.Append(Name());
    context.Append(';');
}

} // namespace AdvXMLParser
