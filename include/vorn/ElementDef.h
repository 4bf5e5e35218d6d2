#pragma once
// Element definitions: a type's attributes, parent rules and display data.

#include <vorn/AttributeDef.h>
#include <vorn/CoreList.h>
#include <vorn/SourceSpan.h>

namespace vorn {

class cls_VornElementDef final : public Persistent<cls_VornElementDef> {
public:
    static Ref<cls_VornElementDef> create();
    static QString staticClassName() { return QStringLiteral("cls_VornElementDef"); }

    // The lists and the attribute collection are created on first use.
    const Ref<cls_VornAttributeDefs>& ATTRIBUTES();
    void setATTRIBUTES(Ref<cls_VornAttributeDefs> v) noexcept { m_attributes = std::move(v); }
    const QString& DESCRIPTION() const noexcept { return m_description; }
    void setDESCRIPTION(const QString& v) { m_description = v; }
    // Types under which an element of this type may stand ("NONE": the main level).
    const Ref<CoreList>& PARENTSALLOWED() { return list(ParentsAllowed); }
    void setPARENTSALLOWED(Ref<CoreList> v) noexcept { m_lists[ParentsAllowed] = std::move(v); }
    // Types whose derived types are accepted as parents too.
    const Ref<CoreList>& PARENTCLONESALLOWED() { return list(ParentClonesAllowed); }
    void setPARENTCLONESALLOWED(Ref<CoreList> v) noexcept { m_lists[ParentClonesAllowed] = std::move(v); }
    const Ref<CoreList>& CHILDRENREQUIRED() { return list(ChildrenRequired); }
    void setCHILDRENREQUIRED(Ref<CoreList> v) noexcept { m_lists[ChildrenRequired] = std::move(v); }
    const Ref<CoreList>& NEXTALLOWED() { return list(NextAllowed); }
    void setNEXTALLOWED(Ref<CoreList> v) noexcept { m_lists[NextAllowed] = std::move(v); }
    const Ref<CoreList>& PREVIOUSALLOWED() { return list(PreviousAllowed); }
    void setPREVIOUSALLOWED(Ref<CoreList> v) noexcept { m_lists[PreviousAllowed] = std::move(v); }
    qint32 CHILDRENMIN() const noexcept { return m_childrenMin; }
    void setCHILDRENMIN(qint32 v) noexcept { m_childrenMin = v; }
    qint32 CHILDRENMAX() const noexcept { return m_childrenMax; }
    void setCHILDRENMAX(qint32 v) noexcept { m_childrenMax = v; }
    bool UNIQUE() const noexcept { return m_unique; }
    void setUNIQUE(bool v) noexcept { m_unique = v; }
    const Ref<CoreList>& CHILDRENALLOWED() { return list(ChildrenAllowed); }
    void setCHILDRENALLOWED(Ref<CoreList> v) noexcept { m_lists[ChildrenAllowed] = std::move(v); }
    // The type belongs to the built-in language.
    bool INTERNAL() const noexcept { return m_internal; }
    void setINTERNAL(bool v) noexcept { m_internal = v; }
    // The types this one was derived from.
    const Ref<CoreList>& ANCESTORS() { return list(Ancestors); }
    void setANCESTORS(Ref<CoreList> v) noexcept { m_lists[Ancestors] = std::move(v); }
    const QString& GROUP() const noexcept { return m_group; }
    void setGROUP(const QString& v) { m_group = v; }
    const QString& ICON() const noexcept { return m_icon; }
    void setICON(const QString& v) { m_icon = v; }
    qint32 COLOR() const noexcept { return m_color; }
    void setCOLOR(qint32 v) noexcept { m_color = v; }
    // Where the definition came from.
    const QString& SOURCE() const noexcept { return m_source; }
    void setSOURCE(const QString& v) { m_source = v; }
    // Where the script declared it; invalid for definitions made in code. Neither packed nor
    // stored; a copy carries it.
    const SourceSpan& SPAN() const noexcept { return m_span; }
    void setSPAN(SourceSpan span) { m_span = std::move(span); }
    // DATA.KEY as text; put keeps the letter case.
    QString NAME() const;
    void setNAME(const QString& name) { DATA().setKEY(name); }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    cls_VornElementDef() = default;
    // The plain fields in record order, named once for copy, package, record and swap.
    struct Fields;
    enum ListField {
        ParentsAllowed,
        ParentClonesAllowed,
        ChildrenRequired,
        NextAllowed,
        PreviousAllowed,
        ChildrenAllowed,
        Ancestors,
        ListCount
    };
    const Ref<CoreList>& list(ListField field);

    struct Reserved {
        QString text[2];
        bool flag[4] = {};
        qint32 number[4] = {};
    };
    Ref<cls_VornAttributeDefs> m_attributes;
    Ref<CoreList> m_lists[ListCount];
    QString m_description, m_group, m_icon, m_source;
    SourceSpan m_span;
    qint32 m_childrenMin = 0, m_childrenMax = 0, m_color = 0;
    bool m_unique = false, m_internal = false;
    Reserved m_reserved;
};

class cls_VornElementDefs final : public KeyedCollection<cls_VornElementDefs, cls_VornElementDef> {
public:
    static constexpr bool FillsEmptySlots = true;
    static constexpr bool RemoveMovesLast = false;

    static Ref<cls_VornElementDefs> create();
    static QString staticClassName() { return QStringLiteral("cls_VornElementDefs"); }

    // A new definition with NAME pName (case kept) and DESCRIPTION, keyed by pName.
    Ref<cls_VornElementDef> CREATE(const QString& pName, const QString& pDescription = QString());
    // The definition of type pSort that fits under a parent of type pParent: the first one named
    // pSort (upper-cased) whose PARENTSALLOWED holds pParent, else the first one named pSort.
    Ref<cls_VornElementDef> ITEMPARENT(const QString& pSort, const QString& pParent);
    void MERGE(cls_VornElementDefs& pOther) { mergeFrom(pOther); }

private:
    cls_VornElementDefs() = default;
};

} // namespace vorn
