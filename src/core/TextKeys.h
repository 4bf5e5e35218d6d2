#pragma once
// How names and keys are compared: trimmed of blanks and upper-cased.

#include <QString>

namespace vorn {

// Trims blanks (U+0020 only) at both ends.
QString trimBlanks(const QString& text);
QStringView trimmedBlanks(QStringView text);

// The same as QString::toUpper. Names are nearly always written in ASCII capitals already;
// those come back as the same shared string without a pass through the Unicode tables.
inline QString upperCased(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || (u >= u'a' && u <= u'z'))
            return text.toUpper();
    }
    return text;
}

// Whether two names are equal. Most names of a script are one shared string, and names of the
// same length nearly always differ in their first letter: both are answered without a compare.
inline bool sameName(const QString& a, const QString& b) noexcept
{
    if (a.size() != b.size())
        return false;
    if (a.constData() == b.constData() || a.isEmpty())
        return true;
    return a.front() == b.front() && QStringView(a) == QStringView(b);
}

// The form in which text keys are compared: trimmed and upper-cased.
inline QString normalizedKey(const QString& text) { return upperCased(trimBlanks(text)); }

} // namespace vorn
