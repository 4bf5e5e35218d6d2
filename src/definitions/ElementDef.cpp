#include "core/RecordFields.h"
#include "core/TextKeys.h"
#include "definitions/PlacementRules.h"
#include "model/KeyedCollectionImpl.h"
#include <vorn/CoreFile.h>
#include <vorn/ElementDef.h>

namespace vorn {

namespace {
// The list fields in the order the file record writes them.
constexpr int RecordOrder[] = { 6 /*ANCESTORS*/, -1 /*ATTRIBUTES*/, 0, 1, 2, 3, 4, 5 };
} // namespace

Ref<cls_VornElementDef> cls_VornElementDef::create() { return Ref<cls_VornElementDef>(new cls_VornElementDef); }

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

QString cls_VornElementDef::NAME() const { return DATA().KEYTEXT(); }

// The package puts the first five lists between the description and the rest.
struct cls_VornElementDef::Fields {
    template <class Self>
    static auto head(Self& d)
    {
        return std::tie(d.m_description);
    }
    template <class Self>
    static auto tail(Self& d)
    {
        auto& r = d.m_reserved;
        return std::tie(d.m_childrenMin, d.m_childrenMax, d.m_unique, r.text[0], r.text[1], d.m_icon, d.m_group,
                        d.m_source, r.flag[0], r.flag[1], r.flag[2], r.flag[3], d.m_internal, r.number[0], r.number[1],
                        r.number[2], r.number[3], d.m_color);
    }
    template <class Self>
    static auto of(Self& d)
    {
        return std::tuple_cat(head(d), tail(d));
    }
};

void cls_VornElementDef::DataCopy(const Object& pOther, bool& pcDone)
{
    auto& other = const_cast<cls_VornElementDef&>(sameClass(pOther));
    DATA().setKEY(other.DATA().KEY());
    ATTRIBUTES()->DATA().COPY(*other.ATTRIBUTES());
    for (int f = 0; f < ListCount; ++f)
        list(ListField(f))->DATA().COPY(*other.list(ListField(f)));
    const Reserved keep = m_reserved; // the reserved fields are not copied
    Fields::of(*this) = Fields::of(other);
    m_reserved = keep;
    m_span = other.m_span;
    pcDone = true;
}

void cls_VornElementDef::DataPACK(QString& pcPackage)
{
    auto pkg = [this](ListField f) { return list(f)->DATA().PACKAGE(); };
    pcPackage = record::pack(DATA().KEY(), ATTRIBUTES()->DATA().PACKAGE(), Fields::head(*this),
                             pkg(ParentClonesAllowed), pkg(ParentsAllowed), pkg(ChildrenRequired), pkg(NextAllowed),
                             pkg(PreviousAllowed), Fields::tail(*this), pkg(ChildrenAllowed), pkg(Ancestors));
}

void cls_VornElementDef::DataUnpack(const QString& prPackage)
{
    Variant key;
    QString attributes;
    QString lists[ListCount];
    record::unpack(prPackage, key, attributes, Fields::head(*this), lists[ParentClonesAllowed], lists[ParentsAllowed],
                   lists[ChildrenRequired], lists[NextAllowed], lists[PreviousAllowed], Fields::tail(*this),
                   lists[ChildrenAllowed], lists[Ancestors]);
    DATA().setKEY(std::move(key));
    ATTRIBUTES()->DataUnpack(attributes);
    for (int f = 0; f < ListCount; ++f)
        list(ListField(f))->DataUnpack(lists[f]);
}

void cls_VornElementDef::DataStore(CoreFile& pFile)
{
    record::write(pFile, record::version(), DATA().KEY(), Fields::of(*this));
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
    if (!record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    record::read(pFile, Fields::of(*this));
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
    record::swap(Fields::of(*this), Fields::of(o));
    std::swap(m_span, o.m_span);
}

Ref<cls_VornElementDefs> cls_VornElementDefs::create() { return Ref<cls_VornElementDefs>(new cls_VornElementDefs); }

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
