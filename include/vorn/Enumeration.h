#pragma once
// Value lists: member names mapped to values, each with a description.

#include <vorn/KeyedCollection.h>
#include <vorn/SourceSpan.h>

namespace vorn {

class cls_VornEnumeration final : public Persistent<cls_VornEnumeration> {
public:
    static Ref<cls_VornEnumeration> create();
    static QString staticClassName() { return QStringLiteral("cls_VornEnumeration"); }

    const QString& ENUMDESCRIPTION() const noexcept { return m_description; }
    void setENUMDESCRIPTION(const QString& v) { m_description = v; }
    // Where the script declared it; invalid for definitions made in code. Neither packed nor
    // stored; a copy carries it.
    const SourceSpan& SPAN() const noexcept { return m_span; }
    void setSPAN(SourceSpan span) { m_span = std::move(span); }
    // Where the script declared a member, in the list's file; invalid for members made in code,
    // unpacked or read.
    SourceSpan MEMBERSPAN(const Variant& pIDOrIndex) const;
    void setMEMBERSPAN(qint32 pIndex, const TextRange& range);
    // DATA.KEY as text; put keeps the letter case.
    QString ID() const;
    void setID(const QString& id) { DATA().setKEY(id); }

    // Names are looked up upper-cased and compared exactly: a name stored with lower-case
    // letters is never found by name.
    bool EXISTS(const QString& pID) const { return FIND(pID) > 0; }
    qint32 FIND(const QString& pID) const;
    // A text names a member, anything else is a position. Without pKeepOrder the last member
    // moves into the gap.
    bool REMOVE(const Variant& pIDOrIndex, bool pKeepOrder);
    Variant VALUE(const Variant& pIDOrIndex, const Variant& pDefault = QString()) const;
    // A value as an ENUM attribute of this list takes it: a member's name gives the member's
    // value, a member's value stays itself; anything else gives "!ERROR!".
    Variant encode(const Variant& pValue) const;
    // By name, a missing member is appended under the upper-cased name.
    void setVALUE(const Variant& pIDOrIndex, const Variant& pNew);
    void COPY(const cls_VornEnumeration& pOther);
    // Appends a member exactly as given; no check for an existing name.
    void CREATE(const QString& pID, const Variant& pValue, const QString& pDescription = QString());
    qint32 COUNT() const noexcept { return m_count; }
    QString NAME(qint32 pIndex) const;
    void setNAME(qint32 pIndex, const QString& pNew);
    QString DESCRIPTION(const Variant& pIDOrIndex) const;
    void setDESCRIPTION(const Variant& pIDOrIndex, const QString& pNew);

    QString PACKAGE();
    void setPACKAGE(const QString& package);
    bool STORE(CoreFile& pFile) const;
    bool READ(CoreFile& pFile);

    // The arrays' last index: 10 when new, count + 10 after a growing append, count after packing.
    qint32 CAPACITY() const noexcept { return qint32(m_members.size()) - 1; }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override { pcPackage = PACKAGE(); }
    void DataUnpack(const QString& prPackage) override { setPACKAGE(prPackage); }
    void DataStore(CoreFile& pFile) override { STORE(pFile); }
    bool DataRead(CoreFile& pFile) override { return READ(pFile); }
    void swapContents(DataEvents& other) noexcept override;

private:
    cls_VornEnumeration();
    qint32 resolve(const Variant& pIDOrIndex) const;
    // Appends a member slot, growing the arrays by the capacity step when full.
    qint32 appendSlot();

    struct Member {
        QString name;
        Variant value;
        QString description;
        TextRange range;
    };
    // Index 0 holds no member; positions 1..count are members; slots beyond may hold stale
    // members, which the appending forms of VALUE and DESCRIPTION leave in the other field.
    std::vector<Member> m_members;
    QString m_description;
    SourceSpan m_span;
    qint32 m_count = 0;
    static constexpr qint32 CapacityStep = 10;
};

class cls_VornEnumerations final : public KeyedCollection<cls_VornEnumerations, cls_VornEnumeration> {
public:
    static constexpr bool FillsEmptySlots = true;
    static constexpr bool RemoveMovesLast = true;

    static Ref<cls_VornEnumerations> create();
    static QString staticClassName() { return QStringLiteral("cls_VornEnumerations"); }

    // A new list with ID pID in upper case, keyed by it.
    Ref<cls_VornEnumeration> CREATE(const QString& pID = QString(), const QString& pDescription = QString());
    void MERGE(cls_VornEnumerations& pOther) { mergeFrom(pOther); }
    // The member name for a value in list pID; "???" when there is none.
    QString DECODE(const QString& pID, const Variant& pValue);
    // The value for a member name (or a value a member has) in list pID; "!ERROR!" when none.
    Variant ENCODE(const QString& pID, const Variant& pValue);
    // The list ENCODE and DECODE use: the first whose ID is pID upper-cased, compared exactly.
    Ref<cls_VornEnumeration> listNamed(const QString& pID);

private:
    cls_VornEnumerations() = default;
};

} // namespace vorn
