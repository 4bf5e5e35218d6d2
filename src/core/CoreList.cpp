#include "core/RecordFields.h"
#include <vorn/CoreFile.h>
#include <vorn/CoreList.h>
#include <vorn/Package.h>

namespace vorn {

Ref<CoreList> CoreList::create() { return Ref<CoreList>(new CoreList); }

QString CoreList::ITEM(qint32 position) const
{
    if (position < 1 || position > COUNT())
        return QString();
    return m_items.at(position - 1);
}

void CoreList::setITEM(qint32 position, const QString& text)
{
    if (position >= 1 && position <= COUNT())
        m_items[position - 1] = text;
}

bool CoreList::EXISTS(const QString& text) const { return m_items.contains(text, Qt::CaseInsensitive); }

QString CoreList::JOIN(const QString& pre, const QString& sep, const QString& post) const
{
    QString joined = m_items.join(sep);
    // A whole script is joined without a frame: no second copy of it then.
    if (pre.isEmpty() && post.isEmpty())
        return joined;
    return pre + joined + post;
}

bool CoreList::REMOVEAT(qint32 position)
{
    if (position < 1 || position > COUNT())
        return false;
    m_items.removeAt(position - 1);
    return true;
}

void CoreList::REMOVEVALUE(const QString& text)
{
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (m_items[i].compare(text, Qt::CaseInsensitive) == 0) {
            m_items.removeAt(i);
            return;
        }
}

void CoreList::INSERT(const QString& value, qint32) { m_items.prepend(value); }

void CoreList::CUT(qint32 n)
{
    if (n < 0)
        n = 0;
    if (m_items.size() > n)
        m_items.resize(n);
}

void CoreList::SPLIT(const QString& text, const QString& separator) { m_items = text.split(separator); }

void CoreList::DataCopy(const Object& pOther, bool& pcDone)
{
    const CoreList& other = sameClass(pOther);
    DATA().setKEY(other.DATA().KEY());
    m_itemKind = other.m_itemKind;
    m_items = other.m_items;
    pcDone = true;
}

void CoreList::DataPACK(QString& pcPackage)
{
    VariantArray items;
    items.reserve(m_items.size());
    for (const QString& item : m_items)
        items.emplace_back(item);
    pcPackage = Package::PACK({ DATA().KEY(), m_itemKind, std::move(items) });
}

void CoreList::DataUnpack(const QString& prPackage)
{
    Variant key;
    qint32 kind = 8;
    VariantArray items;
    Package::UNPACK(prPackage, key, kind, items);
    QStringList texts;
    texts.reserve(items.size());
    for (const Variant& item : items)
        texts.append(item.toText());
    DATA().setKEY(std::move(key));
    m_itemKind = kind;
    m_items = std::move(texts);
}

void CoreList::DataStore(CoreFile& pFile)
{
    pFile.WRITE(record::version());
    pFile.WRITE(DATA().KEY());
    pFile.WRITE(COUNT());
    for (const QString& item : m_items)
        pFile.WRITE(item);
}

bool CoreList::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (!record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    qint32 n = 0;
    pFile.READ(n);
    if (n < 0)
        throw Error(QStringLiteral("CoreList"), QStringLiteral("The record holds a negative count"));
    QStringList items;
    for (qint32 i = 0; i < n; ++i) {
        QString item;
        pFile.READ(item);
        items.append(std::move(item));
    }
    m_items = std::move(items);
    return true;
}

void CoreList::swapContents(DataEvents& other) noexcept
{
    CoreList& o = same(other);
    swapKey(o);
    m_items.swap(o.m_items);
    std::swap(m_itemKind, o.m_itemKind);
}

} // namespace vorn
