#include "core/RecordFields.h"
#include "core/TextKeys.h"
#include <vorn/AttributeDef.h>
#include <vorn/Attributes.h>
#include <vorn/CoreFile.h>
#include <vorn/DataTypes.h>
#include <vorn/Package.h>

namespace vorn {

Ref<cls_VornAttributes> cls_VornAttributes::create()
{
    return std::make_shared<cls_VornAttributes>(CreateKey<cls_VornAttributes>());
}

qint32 cls_VornAttributes::FIND(const QString& pID) const
{
    const QString name = upperCased(pID);
    for (size_t i = 0; i < m_pairs.size(); ++i)
        if (m_pairs[i].name == name)
            return qint32(i + 1);
    return 0;
}

bool cls_VornAttributes::EXISTS(const QString& pID) const { return FIND(pID) > 0; }

qint32 cls_VornAttributes::resolve(const Variant& pIDOrIndex) const
{
    if (pIDOrIndex.isText())
        return FIND(pIDOrIndex.text());
    const qint32 position = positionOf(pIDOrIndex);
    return position >= 1 && position <= COUNT() ? position : 0;
}

bool cls_VornAttributes::REMOVE(const Variant& pIDOrIndex, bool pKeepOrder)
{
    const qint32 position = resolve(pIDOrIndex);
    if (!position)
        return false;
    const size_t at = size_t(position - 1);
    if (pKeepOrder)
        m_pairs.erase(m_pairs.begin() + ptrdiff_t(at));
    else {
        if (at + 1 != m_pairs.size())
            m_pairs[at] = m_pairs.back();
        m_pairs.pop_back();
    }
    return true;
}

Variant cls_VornAttributes::VALUE(const Variant& pIDOrIndex, const Variant& pDefault) const
{
    const qint32 position = resolve(pIDOrIndex);
    return position ? m_pairs[size_t(position - 1)].value : pDefault;
}

void cls_VornAttributes::setVALUE(const Variant& pIDOrIndex, const Variant& pNew)
{
    if (!pIDOrIndex.isText()) {
        if (const qint32 position = resolve(pIDOrIndex))
            m_pairs[size_t(position - 1)].value = pNew;
        return;
    }
    put(upperCased(pIDOrIndex.text()), pNew);
}

cls_VornAttributes::Pair* cls_VornAttributes::pairNamed(const QString& upperName) noexcept
{
    for (Pair& p : m_pairs)
        if (sameName(p.name, upperName))
            return &p;
    return nullptr;
}

void cls_VornAttributes::put(QString upperName, Variant value)
{
    if (Pair* p = pairNamed(upperName))
        p->value = std::move(value);
    else
        append(std::move(upperName), std::move(value));
}

void cls_VornAttributes::put(QString upperName, Variant value, const Place& place)
{
    if (Pair* p = pairNamed(upperName)) {
        p->value = std::move(value);
        p->place = place;
    } else {
        append(std::move(upperName), std::move(value), place);
    }
}

void cls_VornAttributes::append(QString upperName, Variant value, const Place& place)
{
    if (COUNT() + 1 > m_upperBound)
        m_upperBound = COUNT() + 1 + GrowthStep;
    m_pairs.push_back(Pair{ std::move(upperName), std::move(value), place });
}

Variant cls_VornAttributes::VALUEENCODED(const Variant& pIDOrIndex, const Ref<cls_VornAttributeDef>& pDefinition) const
{
    if (!pDefinition)
        return VALUE(pIDOrIndex, QString());
    const Variant value = VALUE(pIDOrIndex, pDefinition->DEFAULT());
    const qint32 type = pDefinition->SORT();
    switch (type) {
    case TypeObject:
    case TypeCollection:
    case TypeArray:
    case TypeBinary: return value;
    case TypeAtomic: return DataTypes::VALUETEXT(value, DataTypes::TYPEOFVALUE(value.typeCode()));
    default: return DataTypes::VALUETEXT(value, type);
    }
}

void cls_VornAttributes::COPY(const cls_VornAttributes& pOther)
{
    if (&pOther == this)
        return;
    m_pairs = pOther.m_pairs;
    m_upperBound = COUNT();
}

void cls_VornAttributes::adopt(cls_VornAttributes& other) noexcept
{
    if (&other == this)
        return;
    m_pairs.swap(other.m_pairs);
    other.clear();
    m_upperBound = COUNT();
    // Storage kept from a much longer bag would be carried by every element after it.
    if (m_pairs.capacity() > 2 * m_pairs.size() + GrowthStep)
        m_pairs.shrink_to_fit();
}

QString cls_VornAttributes::NAME(qint32 pIndex) const
{
    if (pIndex < 1 || pIndex > COUNT())
        return QString();
    return m_pairs[size_t(pIndex - 1)].name;
}

void cls_VornAttributes::setNAME(qint32 pIndex, const QString& pNew)
{
    if (pIndex >= 1 && pIndex <= COUNT())
        m_pairs[size_t(pIndex - 1)].name = upperCased(pNew);
}

QString cls_VornAttributes::PACKAGE()
{
    if (m_upperBound != COUNT()) {
        m_upperBound = COUNT();
        m_pairs.shrink_to_fit();
    }
    VariantArray names, values;
    names.reserve(m_pairs.size() + 1);
    values.reserve(m_pairs.size() + 1);
    names.emplace_back();
    values.emplace_back();
    for (const Pair& p : m_pairs) {
        names.emplace_back(p.name);
        values.push_back(p.value);
    }
    return Package::PACK({ COUNT(), std::move(names), std::move(values) });
}

void cls_VornAttributes::setPACKAGE(const QString& package)
{
    qint32 count = 0;
    VariantArray names, values;
    Package::UNPACK(package, count, names, values);
    if (count < 0 || names.size() != size_t(count) + 1 || values.size() != size_t(count) + 1)
        throw Error(QStringLiteral("Package"),
                    QStringLiteral("The attribute package's count does not match its arrays"));
    std::vector<Pair> pairs;
    pairs.reserve(size_t(count));
    for (qint32 i = 1; i <= count; ++i)
        pairs.push_back(Pair{ names[size_t(i)].toText(), std::move(values[size_t(i)]), Place() });
    m_pairs = std::move(pairs);
    m_upperBound = count;
}

bool cls_VornAttributes::STORE(CoreFile& pFile) const
{
    pFile.WRITETAG(record::version());
    pFile.WRITE(COUNT());
    for (const Pair& p : m_pairs) {
        pFile.WRITE(p.name);
        pFile.WRITE(p.value);
    }
    return true;
}

bool cls_VornAttributes::READ(CoreFile& pFile)
{
    if (!record::isCurrent(pFile.READTAG()))
        return false;
    qint32 count = 0;
    pFile.READ(count);
    if (count < 0)
        throw Error(QStringLiteral("READ"), QStringLiteral("The record holds a negative count"));
    std::vector<Pair> pairs;
    for (qint32 i = 0; i < count; ++i) { // grows only as far as the file really holds pairs
        QString name;
        pFile.READ(name);
        pairs.push_back(Pair{ std::move(name), pFile.READVALUE(), Place() });
    }
    m_pairs = std::move(pairs);
    m_upperBound = count;
    return true;
}

void cls_VornAttributes::DataCopy(const Object& pOther, bool& pcDone)
{
    COPY(sameClass(pOther));
    pcDone = true;
}

void cls_VornAttributes::DataUnpack(const QString& prPackage) { setPACKAGE(prPackage); }

void cls_VornAttributes::swapContents(DataEvents& other) noexcept
{
    cls_VornAttributes& o = same(other);
    swapKey(o);
    m_pairs.swap(o.m_pairs);
    std::swap(m_upperBound, o.m_upperBound);
}

} // namespace vorn
