#include "core/TextKeys.h"

namespace vorn {

QString trimBlanks(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    if (first == 0 && last == text.size())
        return text;
    return text.mid(first, last - first);
}

} // namespace vorn
