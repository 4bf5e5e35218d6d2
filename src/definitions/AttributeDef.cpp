#include "core/RecordFields.h"
#include <vorn/AttributeDef.h>
#include <vorn/CoreFile.h>

namespace vorn {

Ref<cls_VornAttributeDef> cls_VornAttributeDef::create() { return Ref<cls_VornAttributeDef>(new cls_VornAttributeDef); }

QString cls_VornAttributeDef::NAME() const { return DATA().KEYTEXT(); }

QString cls_VornAttributeDef::SORTTEXT() const
{
    return m_enumId.isEmpty() ? DataTypes::TYPETEXT(m_sort) : QStringLiteral("ENUM");
}

struct cls_VornAttributeDef::Fields {
    template <class Self>
    static auto of(Self& d)
    {
        auto& r = d.m_reserved;
        return std::tie(d.m_description, d.m_sort, d.m_required, d.m_default, r.text1, d.m_enumId, r.flag1, d.m_fixed,
                        r.number1, r.number2);
    }
};

void cls_VornAttributeDef::DataCopy(const Object& pOther, bool& pcDone)
{
    const auto& other = sameClass(pOther);
    DATA().setKEY(other.DATA().KEY());
    const Reserved keep = m_reserved; // the reserved fields are not copied
    Fields::of(*this) = Fields::of(other);
    m_reserved = keep;
    m_span = other.m_span;
    pcDone = true;
}

void cls_VornAttributeDef::DataPACK(QString& pcPackage) { pcPackage = record::pack(DATA().KEY(), Fields::of(*this)); }

void cls_VornAttributeDef::DataUnpack(const QString& prPackage)
{
    Variant key;
    record::unpack(prPackage, key, Fields::of(*this));
    DATA().setKEY(std::move(key));
}

void cls_VornAttributeDef::DataStore(CoreFile& pFile)
{
    record::write(pFile, record::version(), DATA().KEY(), Fields::of(*this));
}

bool cls_VornAttributeDef::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (!record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    record::read(pFile, Fields::of(*this));
    return true;
}

void cls_VornAttributeDef::swapContents(DataEvents& other) noexcept
{
    auto& o = same(other);
    swapKey(o);
    record::swap(Fields::of(*this), Fields::of(o));
    std::swap(m_span, o.m_span);
}

Ref<cls_VornAttributeDefs> cls_VornAttributeDefs::create()
{
    return Ref<cls_VornAttributeDefs>(new cls_VornAttributeDefs);
}

Ref<cls_VornAttributeDef> cls_VornAttributeDefs::CREATE(const QString& pID, qint32 pSort, const Variant& pDefault,
                                                        bool pRequired, const QString& pDescription)
{
    auto definition = cls_VornAttributeDef::create();
    definition->setDEFAULT(pDefault);
    definition->setDESCRIPTION(pDescription);
    definition->setNAME(pID);
    definition->setREQUIRED(pRequired);
    definition->setSORT(pSort);
    return ADD(definition, pID);
}

QString cls_VornAttributeDefs::LIST() const
{
    QStringList names;
    for (const auto& definition : m_entries)
        if (definition && !definition->FIXED())
            names.append(definition->NAME());
    return names.join(QStringLiteral(", "));
}

} // namespace vorn
