#include "core/RecordFields.h"
#include "core/TextKeys.h"
#include "model/KeyedCollectionImpl.h"
#include <vorn/CoreFile.h>
#include <vorn/Enumeration.h>
#include <vorn/Package.h>

namespace vorn {

namespace {
const QString Failure = QStringLiteral("!ERROR!");
}

Ref<cls_VornEnumeration> cls_VornEnumeration::create() { return Ref<cls_VornEnumeration>(new cls_VornEnumeration); }

cls_VornEnumeration::cls_VornEnumeration() : m_members(size_t(CapacityStep) + 1) {}

QString cls_VornEnumeration::ID() const { return DATA().KEYTEXT(); }

qint32 cls_VornEnumeration::FIND(const QString& pID) const
{
    const QString name = upperCased(pID);
    for (qint32 i = 1; i <= m_count; ++i)
        if (sameName(m_members[size_t(i)].name, name))
            return i;
    return 0;
}

qint32 cls_VornEnumeration::resolve(const Variant& pIDOrIndex) const
{
    if (pIDOrIndex.isText())
        return FIND(pIDOrIndex.text());
    const qint32 position = positionOf(pIDOrIndex);
    return position >= 1 && position <= m_count ? position : 0;
}

qint32 cls_VornEnumeration::appendSlot()
{
    ++m_count;
    if (m_count > CAPACITY())
        m_members.resize(size_t(m_count) + CapacityStep + 1);
    m_members[size_t(m_count)].range = TextRange();
    return m_count;
}

void cls_VornEnumeration::CREATE(const QString& pID, const Variant& pValue, const QString& pDescription)
{
    m_members[size_t(appendSlot())] = Member{ pID, pValue, pDescription, {} };
}

Variant cls_VornEnumeration::VALUE(const Variant& pIDOrIndex, const Variant& pDefault) const
{
    const qint32 position = resolve(pIDOrIndex);
    return position ? m_members[size_t(position)].value : pDefault;
}

void cls_VornEnumeration::setVALUE(const Variant& pIDOrIndex, const Variant& pNew)
{
    if (const qint32 position = resolve(pIDOrIndex)) {
        m_members[size_t(position)].value = pNew;
    } else if (pIDOrIndex.isText()) {
        Member& m = m_members[size_t(appendSlot())];
        m.name = upperCased(pIDOrIndex.text());
        m.value = pNew;
    }
}

QString cls_VornEnumeration::NAME(qint32 pIndex) const
{
    return pIndex >= 1 && pIndex <= m_count ? m_members[size_t(pIndex)].name : QString();
}

void cls_VornEnumeration::setNAME(qint32 pIndex, const QString& pNew)
{
    if (pIndex >= 1 && pIndex <= m_count)
        m_members[size_t(pIndex)].name = upperCased(pNew);
}

QString cls_VornEnumeration::DESCRIPTION(const Variant& pIDOrIndex) const
{
    const qint32 position = resolve(pIDOrIndex);
    return position ? m_members[size_t(position)].description : QString();
}

void cls_VornEnumeration::setDESCRIPTION(const Variant& pIDOrIndex, const QString& pNew)
{
    if (const qint32 position = resolve(pIDOrIndex)) {
        m_members[size_t(position)].description = pNew;
    } else if (pIDOrIndex.isText()) {
        Member& m = m_members[size_t(appendSlot())];
        m.name = upperCased(pIDOrIndex.text());
        m.description = pNew;
    }
}

bool cls_VornEnumeration::REMOVE(const Variant& pIDOrIndex, bool pKeepOrder)
{
    const qint32 position = resolve(pIDOrIndex);
    if (!position)
        return false;
    if (pKeepOrder) {
        for (qint32 i = position; i < m_count; ++i)
            m_members[size_t(i)] = m_members[size_t(i) + 1];
    } else {
        m_members[size_t(position)] = m_members[size_t(m_count)];
    }
    --m_count;
    return true;
}

void cls_VornEnumeration::COPY(const cls_VornEnumeration& pOther)
{
    if (&pOther == this)
        return;
    m_count = pOther.m_count;
    setID(pOther.ID());
    m_description = pOther.m_description;
    m_span = pOther.m_span;
    m_members.assign(pOther.m_members.begin(), pOther.m_members.begin() + m_count + 1);
}

QString cls_VornEnumeration::PACKAGE()
{
    if (CAPACITY() != m_count)
        m_members.resize(size_t(m_count) + 1);
    VariantArray names, values, descriptions;
    for (const Member& m : m_members) {
        names.emplace_back(m.name);
        values.push_back(m.value);
        descriptions.emplace_back(m.description);
    }
    return Package::PACK(
        { DATA().KEY(), m_description, m_count, std::move(names), std::move(values), std::move(descriptions) });
}

void cls_VornEnumeration::setPACKAGE(const QString& package)
{
    Variant key;
    QString description;
    qint32 count = 0;
    VariantArray names, values, descriptions;
    Package::UNPACK(package, key, description, count, names, values, descriptions);
    const size_t slotValues = names.size();
    if (count < 0 || slotValues < size_t(count) + 1 || values.size() != slotValues || descriptions.size() != slotValues)
        throw Error(QStringLiteral("Package"),
                    QStringLiteral("The value list package's count does not match its arrays"));
    std::vector<Member> members(slotValues);
    for (size_t i = 0; i < slotValues; ++i)
        members[i] = Member{ names[i].toText(), std::move(values[i]), descriptions[i].toText(), {} };
    m_description = description;
    m_count = count;
    m_members = std::move(members);
    DATA().setKEY(std::move(key));
}

bool cls_VornEnumeration::STORE(CoreFile& pFile) const
{
    pFile.WRITETAG(record::version());
    pFile.WRITE({ DATA().KEY(), m_description, m_count });
    for (qint32 i = 1; i <= m_count; ++i) {
        const Member& m = m_members[size_t(i)];
        pFile.WRITE({ m.name, m.value, m.description });
    }
    return true;
}

bool cls_VornEnumeration::READ(CoreFile& pFile)
{
    if (!record::isCurrent(pFile.READTAG()))
        return false;
    Variant id;
    QString description;
    qint32 count = 0;
    pFile.READ(id);
    pFile.READ(description);
    pFile.READ(count);
    if (count < 0)
        throw Error(QStringLiteral("READ"), QStringLiteral("The record holds a negative count"));
    std::vector<Member> members(1);
    for (qint32 i = 1; i <= count; ++i) { // grows only as far as the file really holds members
        Member m;
        pFile.READ(m.name);
        m.value = pFile.READVALUE();
        pFile.READ(m.description);
        members.push_back(std::move(m));
    }
    DATA().setKEY(std::move(id));
    m_description = description;
    m_count = count;
    m_members = std::move(members);
    return true;
}

void cls_VornEnumeration::DataCopy(const Object& pOther, bool& pcDone)
{
    COPY(sameClass(pOther));
    pcDone = true;
}

void cls_VornEnumeration::swapContents(DataEvents& other) noexcept
{
    auto& o = same(other);
    swapKey(o);
    m_members.swap(o.m_members);
    m_description.swap(o.m_description);
    std::swap(m_span, o.m_span);
    std::swap(m_count, o.m_count);
}

SourceSpan cls_VornEnumeration::MEMBERSPAN(const Variant& pIDOrIndex) const
{
    SourceSpan span;
    const qint32 at = resolve(pIDOrIndex);
    if (at < 1 || !m_members[size_t(at)].range.isValid())
        return span;
    static_cast<TextRange&>(span) = m_members[size_t(at)].range;
    span.file = m_span.file;
    return span;
}

void cls_VornEnumeration::setMEMBERSPAN(qint32 pIndex, const TextRange& range)
{
    if (pIndex >= 1 && pIndex <= m_count)
        m_members[size_t(pIndex)].range = range;
}

Ref<cls_VornEnumerations> cls_VornEnumerations::create() { return Ref<cls_VornEnumerations>(new cls_VornEnumerations); }

Ref<cls_VornEnumeration> cls_VornEnumerations::CREATE(const QString& pID, const QString& pDescription)
{
    auto list = cls_VornEnumeration::create();
    const QString id = upperCased(pID);
    list->setID(id);
    list->setENUMDESCRIPTION(pDescription);
    return ADD(list, id);
}

Ref<cls_VornEnumeration> cls_VornEnumerations::listNamed(const QString& pID)
{
    const QString id = upperCased(pID);
    Ref<cls_VornEnumeration> found;
    auto consider = [&](qint32 p) {
        const Ref<cls_VornEnumeration>& list = entryAt(p);
        if (list->ID() != id)
            return false;
        found = list;
        return true;
    };
    // An ID equal to `id` has the same normalized key, so the key index narrows the walk.
    if (!forEachTextKey(normalizedKey(id), consider)) {
        for (qint32 p = 1; p <= COUNT(); ++p)
            if (consider(p))
                break;
    }
    return found;
}

QString cls_VornEnumerations::DECODE(const QString& pID, const Variant& pValue)
{
    const auto list = listNamed(pID);
    if (list) {
        for (qint32 i = 1; i <= list->COUNT(); ++i)
            if (pValue == list->VALUE(i, QString()))
                return list->NAME(i);
    }
    return QStringLiteral("???");
}

Variant cls_VornEnumerations::ENCODE(const QString& pID, const Variant& pValue)
{
    const auto list = listNamed(pID);
    return list ? list->encode(pValue) : Variant(Failure);
}

Variant cls_VornEnumeration::encode(const Variant& pValue) const
{
    // A member's name stands for its value, unless that value is the failure text itself.
    if (pValue.isText())
        if (const qint32 at = FIND(pValue.text())) {
            const Variant& value = m_members[size_t(at)].value;
            if (!value.isText() || value.text() != Failure)
                return value;
        }
    // A value equal to a member's value stands for itself.
    for (qint32 i = 1; i <= m_count; ++i)
        if (pValue == m_members[size_t(i)].value)
            return pValue;
    return Failure;
}

} // namespace vorn
