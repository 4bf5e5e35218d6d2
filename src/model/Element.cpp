#include "core/RecordFields.h"
#include "core/TextKeys.h"
#include <vorn/CoreFile.h>
#include <vorn/DataTypes.h>
#include <vorn/Elements.h>
#include <vorn/ErrorTextBudget.h>

namespace vorn {

namespace {
const QString CrLf = QStringLiteral("\r\n");
} // namespace

bool cls_VornElement::Reserved::isEmpty() const
{
    for (int i = 0; i < 4; ++i)
        if (!text[i].isEmpty() || flag[i] || number[i])
            return false;
    return true;
}

Ref<cls_VornElement> cls_VornElement::create()
{
    return std::make_shared<cls_VornElement>(CreateKey<cls_VornElement>());
}

// Children are released one level at a time from a work list, so that a deep tree does not
// end in a deep chain of destructor calls.
cls_VornElement::~cls_VornElement()
{
    std::vector<Ref<cls_VornElement>> pending;
    auto release = [&pending](Ref<cls_VornElements>& list) {
        if (list && list.use_count() == 1) {
            for (Ref<cls_VornElement>& child : list->m_entries)
                pending.push_back(std::move(child));
            list->m_entries.clear();
        }
    };
    release(m_elements);
    while (!pending.empty()) {
        Ref<cls_VornElement> e = std::move(pending.back());
        pending.pop_back();
        if (e && e.use_count() == 1)
            release(e->m_elements);
    }
}

void cls_VornElement::setSORT(QString sort) noexcept
{
    m_sort = std::move(sort);
    ++s_sortClock;
}

const Ref<cls_VornAttributes>& cls_VornElement::ATTRIBUTES()
{
    if (!m_attributes) {
        auto bag = cls_VornAttributes::create();
        bag->swap(m_values);
        m_attributes = std::move(bag);
        m_holdsValues = false; // the bag holds them now
    }
    return m_attributes;
}

const Ref<cls_VornElements>& cls_VornElement::ELEMENTS()
{
    if (!m_elements)
        m_elements = cls_VornElements::create();
    return m_elements;
}

bool cls_VornElement::hasAttributes() const noexcept { return attributeValues().COUNT() > 0; }

bool cls_VornElement::hasElements() const noexcept { return m_elements && m_elements->COUNT() > 0; }

QString cls_VornElement::ERRORTEXT() const { return m_extra ? m_extra->errorText : QString(); }

void cls_VornElement::setERRORTEXT(const QString& text)
{
    if (!text.isEmpty())
        extra().errorText = text;
    else if (m_extra) {
        m_extra->errorText.clear();
        dropEmptyExtra();
    }
}

QString cls_VornElement::SOURCEFILE() const { return m_extra ? m_extra->sourceFile : QString(); }

void cls_VornElement::setSOURCEFILE(const QString& file)
{
    if (!file.isEmpty())
        extra().sourceFile = file;
    else if (m_extra) {
        m_extra->sourceFile.clear();
        dropEmptyExtra();
    }
}

QString cls_VornElement::ID() const { return DATA().KEYTEXT(); }

void cls_VornElement::setID(const QString& id) { DATA().setKEY(id); }

void cls_VornElement::ERRORSET(const QString& pDescription) { addErrorText(pDescription); }

bool cls_VornElement::addErrorText(const QString& text)
{
    m_errors = true;
    if (!ErrorTextBudget::keepNext())
        return false;
    if (!m_extra || m_extra->errorText.isEmpty())
        setERRORTEXT(text);
    else
        m_extra->errorText += CrLf + text;
    return true;
}

namespace {

SourceSpan spanIn(const QString& file, const TextRange& range)
{
    SourceSpan span;
    static_cast<TextRange&>(span) = range;
    if (range.isValid())
        span.file = file;
    return span;
}

} // namespace

SourceSpan cls_VornElement::SPAN() const { return spanIn(SOURCEFILE(), m_source.range(m_source.whole)); }

SourceSpan cls_VornElement::TYPESPAN() const { return spanIn(SOURCEFILE(), m_source.range(m_source.type)); }

ValuePlace cls_VornElement::placeOf(const QString& pAttribute) const
{
    if (!hasSource())
        return {};
    const QString name = upperCased(pAttribute);
    const AttributeValues& values = attributeValues();
    if (const qint32 at = values.FIND(name))
        return values.placeAt(at);
    return name == QLatin1String("ID") ? m_source.id : ValuePlace();
}

SourceSpan cls_VornElement::NAMESPAN(const QString& pAttribute) const
{
    return spanIn(SOURCEFILE(), m_source.range(placeOf(pAttribute).name));
}

SourceSpan cls_VornElement::VALUESPAN(const QString& pAttribute) const
{
    return spanIn(SOURCEFILE(), m_source.range(placeOf(pAttribute).value));
}

cls_VornElement::Extra& cls_VornElement::extra()
{
    if (!m_extra)
        m_extra = std::make_unique<Extra>();
    return *m_extra;
}

void cls_VornElement::dropEmptyExtra() noexcept
{
    if (m_extra && m_extra->isEmpty())
        m_extra.reset();
}

void cls_VornElement::copyOwnFields(const cls_VornElement& other)
{
    DATA().setKEY(other.DATA().KEY());
    setSORT(other.m_sort);
    if (other.holdsValues() || holdsValues())
        attributeValues().COPY(other.attributeValues());
    setERRORTEXT(other.ERRORTEXT());
    m_errors = other.m_errors;
    m_uid = other.m_uid;
    ++s_treeClock;
    m_line = other.m_line;
    setSOURCEFILE(other.SOURCEFILE());
    m_source = other.m_source;
}

void cls_VornElement::DataCopy(const Object& pOther, bool& pcDone)
{
    const cls_VornElement& other = sameClass(pOther);
    // The children are copied aside first, so that a copy that fails leaves this element as it was.
    auto children = cls_VornElements::create();
    if (other.m_elements)
        children->DATA().COPY(*other.m_elements);
    copyOwnFields(other);
    if (m_elements)
        m_elements->swapContents(*children);
    else
        m_elements = std::move(children);
    ++s_treeClock; // the children
    pcDone = true;
}

// The error text and the reserved fields live in the rarely allocated extra part: reading a
// record fills it (and drops it again when it stays empty), writing one reads an empty stand-in.
struct cls_VornElement::Fields {
    template <class Self, class Part>
    static auto tie(Self& e, Part& x)
    {
        auto& r = x.reserved;
        return std::tie(r.text[0], r.text[1], r.text[2], x.errorText, r.text[3], r.flag[0], r.flag[1], r.flag[2],
                        r.flag[3], e.m_errors, r.number[0], r.number[1], r.number[2], r.number[3], e.m_uid);
    }
    static auto of(const cls_VornElement& e)
    {
        static const Extra none;
        return tie(e, e.m_extra ? *e.m_extra : none);
    }
    static auto into(cls_VornElement& e) { return tie(e, e.extra()); }
};

void cls_VornElement::DataPACK(QString& pcPackage)
{
    // A list not made yet packs as a new one would: packing a tree makes none for its leaves.
    static thread_local const QString emptyBag = cls_VornAttributes::create()->PACKAGE();
    static thread_local const QString emptyList = cls_VornElements::create()->DATA().PACKAGE();
    pcPackage = record::pack(DATA().KEY(), m_sort, holdsValues() ? attributeValues().PACKAGE() : emptyBag,
                             m_elements ? m_elements->DATA().PACKAGE() : emptyList, Fields::of(*this));
}

void cls_VornElement::DataUnpack(const QString& prPackage)
{
    Variant id;
    QString sort, attributes, elements;
    ++s_treeClock; // the UID, also when the package fails half way
    record::unpack(prPackage, id, sort, attributes, elements, Fields::into(*this));
    dropEmptyExtra();
    AttributeValues values;
    values.setPACKAGE(attributes);
    auto children = cls_VornElements::create();
    children->DataUnpack(elements);

    DATA().setKEY(std::move(id));
    setSORT(std::move(sort));
    attributeValues().swap(values);
    if (m_elements)
        m_elements->swapContents(*children);
    else
        m_elements = std::move(children);
    ++s_treeClock; // the children
}

void cls_VornElement::storeOwnRecord(CoreFile& pFile) const
{
    record::write(pFile, record::version(), DATA().KEY(), m_sort, Fields::of(*this));
    attributeValues().STORE(pFile);
}

void cls_VornElement::DataStore(CoreFile& pFile)
{
    storeOwnRecord(pFile);
    ELEMENTS()->DATA().STORE(pFile);
}

// Fills a fresh element: a record that fails halfway leaves nothing anyone sees.
bool cls_VornElement::readOwnRecord(CoreFile& pFile)
{
    QString version;
    pFile.READ(version);
    if (!record::isCurrent(version))
        return false;
    DATA().setKEY(pFile.READVALUE());
    QString sort;
    pFile.READ(sort);
    setSORT(std::move(sort));
    ++s_treeClock; // the UID, also when the record fails half way
    record::read(pFile, Fields::into(*this));
    dropEmptyExtra();
    attributeValues().READ(pFile);
    return true;
}

bool cls_VornElement::DataRead(CoreFile& pFile)
{
    if (!readOwnRecord(pFile))
        return false;
    ELEMENTS()->DataRead(pFile);
    return true;
}

void cls_VornElement::swapContents(DataEvents& other) noexcept
{
    cls_VornElement& o = same(other);
    swapKey(o);
    m_sort.swap(o.m_sort);
    ++s_sortClock;
    // Values held as a bag would hold them count as a bag: two bags trade their contents and
    // each stays with its element, as the child lists do; a bag beside none moves over.
    if (m_attributes && o.m_attributes) {
        m_attributes->swapContents(*o.m_attributes);
    } else if ((m_attributes || o.m_attributes) && holdsValues() && o.holdsValues()) {
        cls_VornElement& withBag = m_attributes ? *this : o;
        withBag.m_attributes->swap(m_attributes ? o.m_values : m_values);
    } else {
        m_attributes.swap(o.m_attributes);
        m_values.swap(o.m_values);
        std::swap(m_holdsValues, o.m_holdsValues);
    }
    if (m_elements && o.m_elements)
        m_elements->swapContents(*o.m_elements);
    else
        m_elements.swap(o.m_elements);
    m_extra.swap(o.m_extra);
    std::swap(m_uid, o.m_uid);
    ++s_treeClock;
    std::swap(m_line, o.m_line);
    std::swap(m_source, o.m_source);
    std::swap(m_errors, o.m_errors);
}

QString cls_VornElement::ATTRIBUTELIST(const QString& pPre, const QString& pSep, const QString& pPost,
                                       const Ref<cls_VornStructure>& pStructure)
{
    if (pStructure) {
        QString structured;
        if (attributeListFor(*pStructure, pSep, structured))
            return structured;
    }
    QString joined;
    const AttributeValues& values = attributeValues();
    for (qint32 i = 1; i <= values.COUNT(); ++i) {
        if (i > 1)
            joined += pSep;
        joined += DataTypes::FORMAT(values.VALUE(i, QString()));
    }
    return pPre + joined + pPost;
}

} // namespace vorn
