#include <vorn/AttributeDef.h>
#include <vorn/CoreFile.h>
#include <vorn/Package.h>

namespace vorn {

namespace {
const QString Version = QStringLiteral("1.0");
} // namespace

Ref<cls_VornAttributeDef> cls_VornAttributeDef::create()
{
    return Ref<cls_VornAttributeDef>(new cls_VornAttributeDef);
}

QString cls_VornAttributeDef::NAME() const
{
    return DATA().KEYTEXT();
}

QString cls_VornAttributeDef::SORTTEXT() const
{
    return m_enumId.isEmpty() ? DataTypes::TYPETEXT(m_sort) : QStringLiteral("ENUM");
}

void cls_VornAttributeDef::DataCopy(const Object& pOther, bool& pcDone)
{
    const auto& other = sameClass(pOther);
    DATA().setKEY(other.DATA().KEY());
    m_description = other.m_description;
    m_sort = other.m_sort;
    m_required = other.m_required;
    m_default = other.m_default;
    m_fixed = other.m_fixed;
    m_enumId = other.m_enumId;
    pcDone = true;
}

void cls_VornAttributeDef::DataPACK(QString& pcPackage)
{
    pcPackage = Package::PACK({ DATA().KEY(), m_description, m_sort, m_required, m_default, m_reserved.text1,
                                m_enumId, m_reserved.flag1, m_fixed, m_reserved.number1, m_reserved.number2 });
}

void cls_VornAttributeDef::DataUnpack(const QString& prPackage)
{
    Variant name;
    QString description, enumId;
    qint32 sort = 0;
    bool required = false, fixed = false;
    Variant defaultValue;
    Reserved r;
    Package::UNPACK(prPackage, name, description, sort, required, defaultValue, r.text1, enumId, r.flag1, fixed,
                    r.number1, r.number2);
    m_description = description;
    m_sort = sort;
    m_required = required;
    m_default = std::move(defaultValue);
    m_enumId = enumId;
    m_fixed = fixed;
    m_reserved = r;
    DATA().setKEY(std::move(name));
}

void cls_VornAttributeDef::DataStore(CoreFile& pFile)
{
    pFile.WRITE({ Version, DATA().KEY(), m_description, m_sort, m_required, m_default, m_reserved.text1, m_enumId,
                  m_reserved.flag1, m_fixed, m_reserved.number1, m_reserved.number2 });
}

bool cls_VornAttributeDef::DataRead(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (version.toUpper() != Version)
        return false;
    Variant key = pFile.READVALUE();
    QString description, enumId;
    qint32 sort = 0;
    bool required = false, fixed = false;
    Reserved r;
    pFile.READ(description);
    pFile.READ(sort);
    pFile.READ(required);
    Variant defaultValue = pFile.READVALUE();
    pFile.READ(r.text1);
    pFile.READ(enumId);
    pFile.READ(r.flag1);
    pFile.READ(fixed);
    pFile.READ(r.number1);
    pFile.READ(r.number2);
    DATA().setKEY(std::move(key));
    m_description = description;
    m_sort = sort;
    m_required = required;
    m_default = std::move(defaultValue);
    m_enumId = enumId;
    m_fixed = fixed;
    m_reserved = r;
    return true;
}

void cls_VornAttributeDef::swapContents(DataEvents& other) noexcept
{
    auto& o = same(other);
    swapKey(o);
    m_description.swap(o.m_description);
    std::swap(m_default, o.m_default);
    m_enumId.swap(o.m_enumId);
    std::swap(m_sort, o.m_sort);
    std::swap(m_required, o.m_required);
    std::swap(m_fixed, o.m_fixed);
    std::swap(m_reserved, o.m_reserved);
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
