#include "core/TextKeys.h"
#include "definitions/PlacementRules.h"
#include "model/KeyedCollectionImpl.h"
#include <vorn/CoreFile.h>
#include <vorn/ElementDef.h>
#include <vorn/Package.h>

namespace vorn {

namespace {
const QString Version = QStringLiteral("1.0");

// The list fields in the order the file record writes them.
constexpr int RecordOrder[] = { 6 /*ANCESTORS*/, -1 /*ATTRIBUTES*/, 0, 1, 2, 3, 4, 5 };
} // namespace

Ref<cls_VornElementDef> cls_VornElementDef::create()
{
    return Ref<cls_VornElementDef>(new cls_VornElementDef);
}

const Ref<cls_VornAttributeDefs>& cls_VornElementDef::ATTRIBUTES()
{
    if (!m_attributes)
        m_attributes = cls_VornAttributeDefs::create();
    return m_attributes;
}

const Ref<CoreList>& cls_VornElementDef::list(ListField field)
{
    Ref<CoreList>& l = m_lists[field];
    if (!l)
        l = CoreList::create();
    return l;
}

QString cls_VornElementDef::NAME() const
{
    return DATA().KEYTEXT();
}

void cls_VornElementDef::DataCopy(const Object& pOther, bool& pcDone)
{
    auto& other = const_cast<cls_VornElementDef&>(sameClass(pOther));
    DATA().setKEY(other.DATA().KEY());
    ATTRIBUTES()->DATA().COPY(*other.ATTRIBUTES());
    m_description = other.m_description;
    for (ListField f : { ParentsAllowed, ParentClonesAllowed, ChildrenRequired, NextAllowed, PreviousAllowed })
        list(f)->DATA().COPY(*other.list(f));
    m_childrenMin = other.m_childrenMin;
    m_childrenMax = other.m_childrenMax;
    m_unique = other.m_unique;
    list(Ancestors)->DATA().COPY(*other.list(Ancestors));
    m_icon = other.m_icon;
    m_group = other.m_group;
    m_source = other.m_source;
    m_internal = other.m_internal;
    m_color = other.m_color;
    list(ChildrenAllowed)->DATA().COPY(*other.list(ChildrenAllowed));
    pcDone = true;
}

void cls_VornElementDef::DataPACK(QString& pcPackage)
{
    const Reserved& r = m_reserved;
    auto pkg = [this](ListField f) { return list(f)->DATA().PACKAGE(); };
    pcPackage = Package::PACK({
        DATA().KEY(), ATTRIBUTES()->DATA().PACKAGE(), m_description, pkg(ParentClonesAllowed), pkg(ParentsAllowed),
        pkg(ChildrenRequired), pkg(NextAllowed), pkg(PreviousAllowed), m_childrenMin, m_childrenMax, m_unique,
        r.text[0], r.text[1], m_icon, m_group, m_source, r.flag[0], r.flag[1], r.flag[2], r.flag[3], m_internal,
        r.number[0], r.number[1], r.number[2], r.number[3], m_color, pkg(ChildrenAllowed), pkg(Ancestors) });
}

void cls_VornElementDef::DataUnpack(const QString& prPackage)
{
    Variant name;
    QString attributes, description, icon, group, source;
    QString lists[ListCount];
    qint32 childrenMin = 0, childrenMax = 0, color = 0;
    bool unique = false, internal = false;
    Reserved r;
    Package::UNPACK(prPackage, name, attributes, description, lists[ParentClonesAllowed], lists[ParentsAllowed],
                    lists[ChildrenRequired], lists[NextAllowed], lists[PreviousAllowed], childrenMin, childrenMax,
                    unique, r.text[0], r.text[1], icon, group, source, r.flag[0], r.flag[1], r.flag[2], r.flag[3],
                    internal, r.number[0], r.number[1], r.number[2], r.number[3], color, lists[ChildrenAllowed],
                    lists[Ancestors]);
    m_description = description;
    m_childrenMin = childrenMin;
    m_childrenMax = childrenMax;
    m_unique = unique;
    m_icon = icon;
    m_group = group;
    m_source = source;
    m_internal = internal;
    m_color = color;
    m_reserved = r;
    list(Ancestors)->DataUnpack(lists[Ancestors]);
    DATA().setKEY(std::move(name));
    ATTRIBUTES()->DataUnpack(attributes);
    for (ListField f : { ParentClonesAllowed, ParentsAllowed, ChildrenRequired, NextAllowed, PreviousAllowed, ChildrenAllowed })
        list(f)->DataUnpack(lists[f]);
}

void cls_VornElementDef::DataStore(CoreFile& pFile)
{
    const Reserved& r = m_reserved;
    pFile.WRITE({ Version, DATA().KEY(), m_description, m_childrenMin, m_childrenMax, m_unique, r.text[0], r.text[1],
                  m_icon, m_group, m_source, r.flag[0], r.flag[1], r.flag[2], r.flag[3], m_internal, r.number[0],
                  r.number[1], r.number[2], r.number[3], m_color });
    for (int f : RecordOrder) {
        if (f < 0)
            ATTRIBUTES()->DATA().STORE(pFile);
        else
            list(ListField(f))->DATA().STORE(pFile);
    }
}

bool cls_VornElementDef::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (upperCased(version) != Version)
        return false;
    DATA().setKEY(pFile.READVALUE());
    Reserved& r = m_reserved;
    pFile.READ(m_description);
    pFile.READ(m_childrenMin);
    pFile.READ(m_childrenMax);
    pFile.READ(m_unique);
    pFile.READ(r.text[0]);
    pFile.READ(r.text[1]);
    pFile.READ(m_icon);
    pFile.READ(m_group);
    pFile.READ(m_source);
    for (bool& flag : r.flag)
        pFile.READ(flag);
    pFile.READ(m_internal);
    for (qint32& number : r.number)
        pFile.READ(number);
    pFile.READ(m_color);
    for (int f : RecordOrder) {
        if (f < 0)
            ATTRIBUTES()->DataRead(pFile);
        else
            list(ListField(f))->DataRead(pFile);
    }
    return true;
}

void cls_VornElementDef::swapContents(DataEvents& other) noexcept
{
    auto& o = same(other);
    swapKey(o);
    if (m_attributes && o.m_attributes)
        m_attributes->swapContents(*o.m_attributes);
    else
        m_attributes.swap(o.m_attributes);
    for (int f = 0; f < ListCount; ++f) {
        if (m_lists[f] && o.m_lists[f])
            m_lists[f]->swapContents(*o.m_lists[f]);
        else
            m_lists[f].swap(o.m_lists[f]);
    }
    m_description.swap(o.m_description);
    m_group.swap(o.m_group);
    m_icon.swap(o.m_icon);
    m_source.swap(o.m_source);
    std::swap(m_childrenMin, o.m_childrenMin);
    std::swap(m_childrenMax, o.m_childrenMax);
    std::swap(m_color, o.m_color);
    std::swap(m_unique, o.m_unique);
    std::swap(m_internal, o.m_internal);
    std::swap(m_reserved, o.m_reserved);
}

Ref<cls_VornElementDefs> cls_VornElementDefs::create()
{
    return Ref<cls_VornElementDefs>(new cls_VornElementDefs);
}

Ref<cls_VornElementDef> cls_VornElementDefs::CREATE(const QString& pName, const QString& pDescription)
{
    auto definition = cls_VornElementDef::create();
    definition->setNAME(pName);
    definition->setDESCRIPTION(pDescription);
    return ADD(definition, pName);
}

Ref<cls_VornElementDef> cls_VornElementDefs::ITEMPARENT(const QString& pSort, const QString& pParent)
{
    const QString sort = upperCased(pSort);
    const QString parent = upperCased(pParent);
    Ref<cls_VornElementDef> firstNamed, fitting;
    auto consider = [&](qint32 p) {
        const Ref<cls_VornElementDef>& d = entryAt(p);
        if (d->NAME() != sort)
            return false;
        if (!firstNamed)
            firstNamed = d;
        if (parent.isEmpty() || namesParent(*d, parent)) {
            fitting = d;
            return true;
        }
        return false;
    };
    // A name equal to `sort` has the same normalized key, so the key index narrows the walk.
    if (!forEachTextKey(normalizedKey(sort), consider)) {
        for (qint32 p = 1; p <= COUNT(); ++p)
            if (consider(p))
                break;
    }
    return fitting ? fitting : firstNamed;
}

} // namespace vorn
