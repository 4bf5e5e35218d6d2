#pragma once
// Attribute definitions: name, data type, default, required and fixed flags, value list.

#include <vorn/DataTypes.h>
#include <vorn/KeyedCollection.h>
#include <vorn/SourceSpan.h>

#include <memory>

namespace vorn {

class cls_VornAttributeDef final : public Persistent<cls_VornAttributeDef> {
public:
    static Ref<cls_VornAttributeDef> create();
    static QString staticClassName() { return QStringLiteral("cls_VornAttributeDef"); }

    const QString& DESCRIPTION() const noexcept { return m_description; }
    void setDESCRIPTION(const QString& v) { m_description = v; }
    // A number of the data-type enumeration.
    qint32 SORT() const noexcept { return m_sort; }
    void setSORT(qint32 v) noexcept { m_sort = v; }
    bool REQUIRED() const noexcept { return m_required; }
    void setREQUIRED(bool v) noexcept { m_required = v; }
    const Variant& DEFAULT() const noexcept { return m_default; }
    void setDEFAULT(const Variant& v) { m_default = v; }
    // Fixed attributes may no longer be given.
    bool FIXED() const noexcept { return m_fixed; }
    void setFIXED(bool v) noexcept { m_fixed = v; }
    // Where the script declared it; invalid for definitions made in code. Neither packed nor
    // stored; a copy carries it.
    const SourceSpan& SPAN() const noexcept { return m_span; }
    void setSPAN(SourceSpan span) { m_span = std::move(span); }
    // DATA.KEY as text; put keeps the letter case.
    QString NAME() const;
    void setNAME(const QString& name) { DATA().setKEY(name); }
    // "ENUM" for a value-list attribute, else the data type's name.
    QString SORTTEXT() const;
    // The value list of a value-list attribute; "" otherwise.
    const QString& ENUMID() const noexcept { return m_enumId; }
    void setENUMID(const QString& v) { m_enumId = v; }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    cls_VornAttributeDef() = default;
    // The plain fields in record order, named once for copy, package, record and swap.
    struct Fields;
    struct Reserved {
        QString text1;
        bool flag1 = false;
        qint32 number1 = 0, number2 = 0;
    };
    QString m_description;
    Variant m_default;
    SourceSpan m_span;
    QString m_enumId;
    qint32 m_sort = 0;
    bool m_required = false;
    bool m_fixed = false;
    Reserved m_reserved;
};

class cls_VornAttributeDefs final : public KeyedCollection<cls_VornAttributeDefs, cls_VornAttributeDef> {
public:
    static constexpr bool FillsEmptySlots = true;
    static constexpr bool RemoveMovesLast = false;

    static Ref<cls_VornAttributeDefs> create();
    static QString staticClassName() { return QStringLiteral("cls_VornAttributeDefs"); }

    // A new definition added with key pID; no check for an existing name.
    Ref<cls_VornAttributeDef> CREATE(const QString& pID, qint32 pSort, const Variant& pDefault = QString(),
                                     bool pRequired = false, const QString& pDescription = QString());
    // The names of the definitions that are not fixed, joined by ", ".
    QString LIST() const;

private:
    cls_VornAttributeDefs() = default;
};

} // namespace vorn
