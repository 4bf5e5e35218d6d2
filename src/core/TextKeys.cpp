#include "core/TextKeys.h"

namespace vorn {

QStringView trimmedBlanks(QStringView text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

QString trimBlanks(const QString& text)
{
    const QStringView trimmed = trimmedBlanks(text);
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

} // namespace vorn
