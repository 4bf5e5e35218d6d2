#pragma once
// One node of a parsed script: its type word, attribute values, children and errors.

#include <vorn/Attributes.h>
#include <vorn/CoreList.h>
#include <vorn/ElementSource.h>
#include <vorn/Persistent.h>

#include <memory>

namespace vorn {

class cls_VornElements;
class cls_VornStructure;
class CoreList;

class cls_VornElement final : public Persistent<cls_VornElement> {
public:
    static Ref<cls_VornElement> create();
    explicit cls_VornElement(CreateKey<cls_VornElement>) {}
    static QString staticClassName() { return QStringLiteral("cls_VornElement"); }
    ~cls_VornElement() override;

    // The type word as written, possibly extended by the check to "type.parenttype".
    const QString& SORT() const noexcept { return m_sort; }
    void setSORT(QString sort) noexcept;
    // Created on first use, with the values the element held until then.
    const Ref<cls_VornAttributes>& ATTRIBUTES();
    void setATTRIBUTES(Ref<cls_VornAttributes> attributes) noexcept
    {
        m_attributes = std::move(attributes);
        m_values.clear();
        m_holdsValues = false;
    }
    // The attribute values without making the bag: the bag's own once it exists, else those
    // the element holds itself. The reader and the check fill and convert them here, so that
    // a tree read from a script carries no bag object until one is asked for. Asking to change
    // them counts as making the bag, for packing and copying. The reference lasts until
    // ATTRIBUTES or setATTRIBUTES is next called.
    AttributeValues& attributeValues() noexcept
    {
        if (m_attributes)
            return *m_attributes;
        m_holdsValues = true;
        return m_values;
    }
    const AttributeValues& attributeValues() const noexcept { return m_attributes ? *m_attributes : m_values; }
    // The children in script order; created on first use.
    const Ref<cls_VornElements>& ELEMENTS();
    void setELEMENTS(Ref<cls_VornElements> elements) noexcept
    {
        m_elements = std::move(elements);
        ++s_treeClock;
    }
    qint32 UID() const noexcept { return m_uid; }
    void setUID(qint32 uid) noexcept
    {
        m_uid = uid;
        ++s_treeClock;
    }
    bool ERRORS() const noexcept { return m_errors; }
    void setERRORS(bool errors) noexcept { m_errors = errors; }
    QString ERRORTEXT() const;
    void setERRORTEXT(const QString& text);
    // The identifier: DATA.KEY as text.
    QString ID() const;
    void setID(const QString& id);

    // Sets ERRORS and appends the text to ERRORTEXT, joined by CR LF.
    void ERRORSET(const QString& pDescription);
    // ERRORSET that answers whether the text was kept (see ErrorTextBudget).
    bool addErrorText(const QString& text);
    // The attribute values as one display line; see the structure form in the engine.
    QString ATTRIBUTELIST(const QString& pPre = QStringLiteral("("), const QString& pSep = QStringLiteral(", "),
                          const QString& pPost = QStringLiteral(")"), const Ref<cls_VornStructure>& pStructure = {});

    // Validates the element against pStructure's definitions under pParent (an element, or the
    // structure for a top-level element) and carries out a language command.
    bool CHECK(const Ref<Object>& pParent, const Ref<cls_VornStructure>& pStructure);
    // Appends the element's script lines to pCol, pIndent tabs deep; raises Error when the
    // element cannot be written (a type without definition, a text without script form).
    void STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure);

    // Where the element started: the script line (1-based) and, for an element that came from
    // an included file, that file's name.
    qint32 LINE() const noexcept { return m_line; }
    void setLINE(qint32 line) noexcept { m_line = line; }
    QString SOURCEFILE() const;
    void setSOURCEFILE(const QString& file);

    // Where the reader found the element and its values; none for elements made in code. Like
    // LINE it is neither packed nor stored: a copy carries it, unpacking and reading leave it.
    // Spans name SOURCEFILE as their file. A source without lines is none.
    const ElementSource* source() const noexcept { return hasSource() ? &m_source : nullptr; }
    ElementSource* source() noexcept { return hasSource() ? &m_source : nullptr; }
    void setSource(ElementSource source) noexcept { m_source = std::move(source); }
    // The statement (a block from BEGIN to its END line), its type word, and the name and value
    // of an attribute given in the script (upper-case name); an invalid span when not known.
    SourceSpan SPAN() const;
    SourceSpan TYPESPAN() const;
    SourceSpan NAMESPAN(const QString& pAttribute) const;
    SourceSpan VALUESPAN(const QString& pAttribute) const;
    // The same as offsets into the element's file (see ElementSource); unset when not known.
    ValuePlace placeOf(const QString& pAttribute) const;

    // Without creating them: whether there are attribute values or children at all.
    bool hasAttributes() const noexcept;
    bool hasElements() const noexcept;
    // The child list when one exists, else none.
    const Ref<cls_VornElements>& elementsIfAny() const noexcept { return m_elements; }
    // The bag when one was made, else none; the element may still hold values (attributeValues).
    const Ref<cls_VornAttributes>& attributesIfAny() const noexcept { return m_attributes; }

    // Counts changes of any element's SORT on this thread (type lookups index by it).
    static std::uint64_t sortClock() noexcept { return s_sortClock; }
    // Counts changes of any element's UID or child list on this thread; with the key clock and
    // the lists' content clock it tells FIND whether its index still holds.
    static std::uint64_t treeClock() noexcept { return s_treeClock; }

    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataPACK(QString& pcPackage) override;
    void DataUnpack(const QString& prPackage) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;
    void swapContents(DataEvents& other) noexcept override;

private:
    friend class cls_VornElements;
    // An element's own part of a copy and of its file record: everything but the children,
    // which the child list walks without recursion. readOwnRecord answers False for a record
    // of another version, of which only the version was read.
    void copyOwnFields(const cls_VornElement& other);
    void storeOwnRecord(CoreFile& file) const;
    bool readOwnRecord(CoreFile& file);

    // Fields only packages and records carry.
    // The plain fields in record order, named once for package and record.
    struct Fields;
    struct Reserved {
        QString text[4];
        bool flag[4] = {};
        qint32 number[4] = {};
        bool isEmpty() const;
    };
    // What most elements never need; allocated when one of its fields is first set.
    struct Extra {
        QString errorText;
        QString sourceFile;
        Reserved reserved;
        bool isEmpty() const { return errorText.isEmpty() && sourceFile.isEmpty() && reserved.isEmpty(); }
    };
    Extra& extra();
    void dropEmptyExtra() noexcept;
    // The structure form of ATTRIBUTELIST; False when the structure does not define the type.
    bool attributeListFor(cls_VornStructure& structure, const QString& separator, QString& out);
    bool hasSource() const noexcept { return m_source.lines.data() != nullptr; }

    QString m_sort;
    Ref<cls_VornAttributes> m_attributes;
    // Empty once m_attributes exists. Allowed to overlap: the UID takes the room its last
    // field leaves, and an element of a large tree fits the allocator's next smaller size.
    [[no_unique_address]] AttributeValues m_values;
    qint32 m_uid = 0;
    Ref<cls_VornElements> m_elements;
    std::unique_ptr<Extra> m_extra;
    // Held in the element, not apart: nearly every element of a large tree was read.
    ElementSource m_source;
    qint32 m_line = 0;
    bool m_errors = false;
    // The element holds values as a bag would (m_values was asked to change): it packs and
    // copies them as a bag, where an element that never had one packs an empty one.
    bool m_holdsValues = false;
    bool holdsValues() const noexcept { return m_attributes || m_holdsValues; }
    static inline thread_local std::uint64_t s_sortClock = 0;
    static inline thread_local std::uint64_t s_treeClock = 0;
};

} // namespace vorn
