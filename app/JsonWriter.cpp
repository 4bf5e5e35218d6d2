#include "JsonWriter.h"

#include <vorn/Variant.h>

#include <cmath>

namespace vornapp {

using namespace vorn;

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_empty.empty()) {
        if (!m_empty.back())
            m_out += ',';
        m_empty.back() = false;
    }
}

void JsonWriter::open(char c)
{
    beforeValue();
    m_out += c;
    m_empty.push_back(true);
}

void JsonWriter::close(char c)
{
    m_empty.pop_back();
    m_out += c;
}

void JsonWriter::key(const char* name)
{
    beforeValue();
    appendString(QString::fromLatin1(name));
    m_out += ':';
    m_afterKey = true;
}

void JsonWriter::string(const QString& text)
{
    beforeValue();
    appendString(text);
}

void JsonWriter::appendString(const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    const auto escaped = [&](char16_t u) {
        m_out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            m_out += hex[(u >> shift) & 0xF];
    };
    m_out += '"';
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        char32_t cp = u;
        if (u == '"' || u == '\\') {
            m_out += '\\';
            m_out += char(u);
            continue;
        }
        if (u < 0x20) {
            switch (u) {
            case '\n': m_out += "\\n"; break;
            case '\r': m_out += "\\r"; break;
            case '\t': m_out += "\\t"; break;
            case '\b': m_out += "\\b"; break;
            case '\f': m_out += "\\f"; break;
            default: escaped(u);
            }
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            cp = QChar::surrogateToUcs4(u, text.at(++i).unicode());
        else if (QChar::isSurrogate(u))
            cp = QChar::ReplacementCharacter; // a lone half has no UTF-8 form, and "\ud800" is no character

        if (cp < 0x80) {
            m_out += char(cp);
        } else if (cp < 0x800) {
            m_out += char(0xC0 | (cp >> 6));
            m_out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            m_out += char(0xE0 | (cp >> 12));
            m_out += char(0x80 | ((cp >> 6) & 0x3F));
            m_out += char(0x80 | (cp & 0x3F));
        } else {
            m_out += char(0xF0 | (cp >> 18));
            m_out += char(0x80 | ((cp >> 12) & 0x3F));
            m_out += char(0x80 | ((cp >> 6) & 0x3F));
            m_out += char(0x80 | (cp & 0x3F));
        }
    }
    m_out += '"';
}

void JsonWriter::integer(qint64 value)
{
    beforeValue();
    m_out += QByteArray::number(value);
}

void JsonWriter::boolean(bool value)
{
    beforeValue();
    m_out += value ? "true" : "false";
}

void JsonWriter::number(double value)
{
    if (!std::isfinite(value))
        return null();
    beforeValue();
    m_out += numberText(value).toLatin1();
}

void JsonWriter::null()
{
    beforeValue();
    m_out += "null";
}

} // namespace vornapp
