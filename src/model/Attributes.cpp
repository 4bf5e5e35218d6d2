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

void AttributeValues::noteWidePlace(ValueCell& value, const Place& place)
{
    if (!place.name.isSet() && !place.value.isSet())
        return writeNote(value, PackedPlace());
    value.keepPlace(place);
    writeNote(value, PackedPlace{ 0, Wide, 0, 0 });
}

AttributeValues::Place AttributeValues::unpacked(const ValueCell& cell) noexcept
{
    const PackedPlace place = placeNoted(cell);
    if (place.valueLength == Wide)
        return cell.keptPlace();
    if (place.valueFrom < 0)
        return {};
    const TextExtent value{ place.valueFrom, place.valueFrom + place.valueLength };
    if (!place.nameBack)
        return { value, value };
    const qint32 nameFrom = place.valueFrom - place.nameBack;
    return { TextExtent{ nameFrom, nameFrom + place.nameLength }, value };
}

qint32 AttributeValues::FIND(const QString& pID) const
{
    const QString name = upperCased(pID);
    for (qsizetype i = 0; i < m_names.size(); ++i)
        if (m_names.at(i) == name)
            return qint32(i + 1);
    return 0;
}

bool AttributeValues::EXISTS(const QString& pID) const { return FIND(pID) > 0; }

qint32 AttributeValues::resolve(const Variant& pIDOrIndex) const
{
    if (pIDOrIndex.isText())
        return FIND(pIDOrIndex.text());
    const qint32 position = positionOf(pIDOrIndex);
    return position >= 1 && position <= COUNT() ? position : 0;
}

bool AttributeValues::REMOVE(const Variant& pIDOrIndex, bool pKeepOrder)
{
    const qint32 position = resolve(pIDOrIndex);
    if (!position)
        return false;
    if (pKeepOrder || position == COUNT()) {
        removeAt(position);
        return true;
    }
    const size_t at = size_t(position - 1);
    QString last = m_names.takeLast();
    m_names[qsizetype(at)] = std::move(last);
    m_values[at] = std::move(m_values.back());
    m_values.pop_back();
    return true;
}

void AttributeValues::removeAt(qint32 pPosition)
{
    m_names.removeAt(pPosition - 1);
    m_values.erase(size_t(pPosition - 1));
}

void AttributeValues::clear() noexcept
{
    // Emptying a list that other bags share would copy its storage first.
    if (m_names.isDetached())
        m_names.clear();
    else
        m_names = QStringList();
    m_values.clear();
    m_upperBound = GrowthStep;
}

void AttributeValues::reserve(qint32 count)
{
    m_names.reserve(count);
    m_values.reserve(size_t(count));
}

Variant AttributeValues::VALUE(const Variant& pIDOrIndex, const Variant& pDefault) const
{
    const qint32 position = resolve(pIDOrIndex);
    return position ? m_values[size_t(position - 1)].value() : pDefault;
}

void AttributeValues::setVALUE(const Variant& pIDOrIndex, const Variant& pNew)
{
    if (!pIDOrIndex.isText()) {
        if (const qint32 position = resolve(pIDOrIndex))
            m_values[size_t(position - 1)].assign(Variant(pNew));
        return;
    }
    put(upperCased(pIDOrIndex.text()), pNew);
}

qint32 AttributeValues::positionNamed(const QString& upperName) const noexcept
{
    for (qsizetype i = 0; i < m_names.size(); ++i)
        if (sameName(m_names.at(i), upperName))
            return qint32(i + 1);
    return 0;
}

void AttributeValues::put(QString upperName, Variant value)
{
    if (const qint32 at = positionNamed(upperName))
        m_values[size_t(at - 1)].assign(std::move(value));
    else
        append(std::move(upperName), std::move(value));
}

void AttributeValues::put(QString upperName, Variant value, const Place& place)
{
    if (const qint32 at = positionNamed(upperName))
        putAt(at, std::move(value), place);
    else
        append(std::move(upperName), std::move(value), place);
}

void AttributeValues::append(QString upperName, Variant value, const Place& place)
{
    Q_ASSERT(size_t(m_names.size()) == m_values.size());
    m_names.append(std::move(upperName));
    pushValue(std::move(value), place);
}

void AttributeValues::startSharing(const QStringList& upperNames)
{
    m_names = upperNames;
    m_values.clear();
    m_values.reserve(size_t(upperNames.size()));
    m_upperBound = GrowthStep;
}

void AttributeValues::renameAll(const QStringList& upperNames)
{
    Q_ASSERT(size_t(upperNames.size()) == m_values.size());
    m_names = upperNames;
    m_upperBound = COUNT();
}

void AttributeValues::appendShared(Variant&& value, const Place& place)
{
    Q_ASSERT(m_values.size() < size_t(m_names.size()));
    pushValue(std::move(value), place);
}

void AttributeValues::appendShared(Variant&& value, const AttributeValues& from, qint32 position)
{
    Q_ASSERT(m_values.size() < size_t(m_names.size()));
    pushValue(std::move(value), from.placeAt(position));
}

Variant AttributeValues::VALUEENCODED(const Variant& pIDOrIndex, const Ref<cls_VornAttributeDef>& pDefinition) const
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

void AttributeValues::COPY(const AttributeValues& pOther)
{
    if (&pOther == this)
        return;
    m_names = pOther.m_names;
    m_values = pOther.m_values;
    m_upperBound = COUNT();
}

void AttributeValues::adopt(AttributeValues& other) noexcept
{
    if (&other == this)
        return;
    m_names.swap(other.m_names);
    m_values.swap(other.m_values);
    other.clear();
    m_upperBound = COUNT();
    // Storage kept from a much longer bag would be carried by every element after it.
    if (m_values.capacity() > 2 * m_values.size() + GrowthStep)
        m_values.shrink_to_fit();
}

QString AttributeValues::NAME(qint32 pIndex) const
{
    if (pIndex < 1 || pIndex > COUNT())
        return QString();
    return m_names.at(pIndex - 1);
}

void AttributeValues::setNAME(qint32 pIndex, const QString& pNew)
{
    if (pIndex >= 1 && pIndex <= COUNT())
        m_names[pIndex - 1] = upperCased(pNew);
}

void AttributeValues::takeNames(QStringList&& upperNames)
{
    static thread_local QStringList last;
    if (upperNames == last) {
        m_names = last;
    } else {
        m_names = std::move(upperNames);
        last = m_names;
    }
}

QString AttributeValues::PACKAGE()
{
    if (m_upperBound != COUNT()) {
        m_upperBound = COUNT();
        m_values.shrink_to_fit();
        if (m_names.isDetached())
            m_names.squeeze();
    }
    VariantArray names, values;
    names.reserve(m_values.size() + 1);
    values.reserve(m_values.size() + 1);
    names.emplace_back();
    values.emplace_back();
    for (qint32 i = 1; i <= COUNT(); ++i) {
        names.emplace_back(nameAt(i));
        values.push_back(valueAt(i));
    }
    return Package::PACK({ COUNT(), std::move(names), std::move(values) });
}

void AttributeValues::setPACKAGE(const QString& package)
{
    qint32 count = 0;
    VariantArray names, values;
    Package::UNPACK(package, count, names, values);
    if (count < 0 || names.size() != size_t(count) + 1 || values.size() != size_t(count) + 1)
        throw Error(QStringLiteral("Package"),
                    QStringLiteral("The attribute package's count does not match its arrays"));
    QStringList upperNames;
    CellArray slots;
    upperNames.reserve(count);
    slots.reserve(size_t(count));
    for (qint32 i = 1; i <= count; ++i) {
        upperNames.append(names[size_t(i)].toText());
        slots.emplace_back(std::move(values[size_t(i)]));
    }
    takeNames(std::move(upperNames));
    m_values = std::move(slots);
    m_upperBound = count;
}

bool AttributeValues::STORE(CoreFile& pFile) const
{
    pFile.WRITETAG(record::version());
    pFile.WRITE(COUNT());
    for (qint32 i = 1; i <= COUNT(); ++i) {
        pFile.WRITE(nameAt(i));
        pFile.WRITE(valueAt(i));
    }
    return true;
}

bool AttributeValues::READ(CoreFile& pFile)
{
    if (!record::isCurrent(pFile.READTAG()))
        return false;
    qint32 count = 0;
    pFile.READ(count);
    if (count < 0)
        throw Error(QStringLiteral("READ"), QStringLiteral("The record holds a negative count"));
    QStringList upperNames;
    CellArray slots;
    for (qint32 i = 0; i < count; ++i) { // grows only as far as the file really holds pairs
        QString name;
        pFile.READ(name);
        upperNames.append(std::move(name));
        slots.emplace_back(pFile.READVALUE());
    }
    takeNames(std::move(upperNames));
    m_values = std::move(slots);
    m_upperBound = count;
    return true;
}

void cls_VornAttributes::DataCopy(const Object& pOther, bool& pcDone)
{
    COPY(sameClass(pOther));
    pcDone = true;
}

void cls_VornAttributes::DataUnpack(const QString& prPackage) { setPACKAGE(prPackage); }

void AttributeValues::swap(AttributeValues& other) noexcept
{
    m_names.swap(other.m_names);
    m_values.swap(other.m_values);
    std::swap(m_upperBound, other.m_upperBound);
}

void cls_VornAttributes::swapContents(DataEvents& other) noexcept
{
    cls_VornAttributes& o = same(other);
    swapKey(o);
    swap(o);
}

} // namespace vorn
