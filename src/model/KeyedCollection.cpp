#include <vorn/KeyedCollection.h>

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

namespace {
thread_local int t_collectionDepth = 0;
}

CollectionNesting::CollectionNesting(const char* operation)
{
    if (t_collectionDepth >= MaxDepth)
        throw Error(QString::fromLatin1(operation),
                    QStringLiteral("Collections are nested deeper than %1 levels").arg(MaxDepth));
    ++t_collectionDepth;
}

CollectionNesting::~CollectionNesting()
{
    --t_collectionDepth;
}

} // namespace vorn
