#include "core/TextKeys.h"
#include "model/ElementIndex.h"
#include <vorn/Elements.h>

#include <QSet>

#include <utility>

namespace vorn {

Ref<cls_VornElements> cls_VornElements::create()
{
    return std::make_shared<cls_VornElements>(CreateKey<cls_VornElements>());
}

cls_VornElements::cls_VornElements(CreateKey<cls_VornElements>) {}

cls_VornElements::~cls_VornElements() = default;

qint32 cls_VornElements::COUNT(bool pIncludeSubElements) const
{
    qint32 total = KeyedCollection::COUNT();
    if (!pIncludeSubElements)
        return total;
    walkElements(m_entries, {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        if (e->hasElements())
            total += e->elementsIfAny()->KeyedCollection::COUNT();
        return false;
    });
    return total;
}

Ref<cls_VornElement> cls_VornElements::CREATE(const Variant& pID)
{
    Ref<cls_VornElement> element = cls_VornElement::create();
    Variant key = Variant::missing();
    if (!pID.isMissing()) {
        try {
            key = upperCased(pID.toText());
        } catch (const Error&) {
            // a key without a text form is left out
        }
    }
    ADD(element, key);
    return Item(KeyedCollection::COUNT());
}

namespace {

ElementIndex& made(std::unique_ptr<ElementIndex>& index)
{
    if (!index)
        index = std::make_unique<ElementIndex>();
    return *index;
}

} // namespace

Ref<cls_VornElement> cls_VornElements::FIND(const Variant& pIDOrPathOrUID) const
{
    const ElementIndex::Hit hit = made(m_findIndex).find(entries(), pIDOrPathOrUID);
    return hit.element ? *hit.element : nullptr;
}

Ref<cls_VornElement> cls_VornElements::FINDPARENT(const Variant& pIDOrPathOrUID,
                                                  const Ref<cls_VornElement>& pParent) const
{
    const ElementIndex::Hit hit = made(m_findIndex).find(entries(), pIDOrPathOrUID);
    if (!hit.element)
        return nullptr;
    return hit.parent ? *hit.parent : pParent;
}

bool cls_VornElements::ERRORSGLOBAL() const
{
    bool any = false;
    walkElements(entries(), {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        any = e->ERRORS();
        return any;
    });
    return any;
}

// Each walk below keeps the open lists on a stack of its own, in the order a recursion would
// take them, so that a tree of any depth costs heap, not call stack.

namespace {

// The lists open on a copy's or a record's stack: meeting one again means that an element lies
// among its own descendants, and the walk would never end.
class OpenLists {
public:
    explicit OpenLists(QString operation) : m_operation(std::move(operation)) {}
    void enter(const cls_VornElements* list)
    {
        if (m_open.contains(list))
            throw Error(m_operation, QStringLiteral("An element lies among its own descendants"));
        m_open.insert(list);
    }
    void leave(const cls_VornElements* list) { m_open.remove(list); }

private:
    QString m_operation;
    QSet<const cls_VornElements*> m_open;
};

} // namespace

void cls_VornElements::DataCopy(const Object& pOther, bool& pcDone)
{
    const cls_VornElements& other = sameClass(pOther);
    // The copies are assembled aside and this list takes them over at the end.
    struct Level {
        const cls_VornElements* source;
        size_t next;
        cls_VornElements* target;
    };
    auto copy = cls_VornElements::create();
    OpenLists open(QStringLiteral("DATA.COPY"));
    open.enter(&other);
    std::vector<Level> stack{ Level{ &other, 0, copy.get() } };
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.source->m_entries.size()) {
            open.leave(level.source);
            stack.pop_back();
            continue;
        }
        const cls_VornElement& source = *level.source->m_entries[level.next++];
        Ref<cls_VornElement> e = cls_VornElement::create();
        e->copyOwnFields(source);
        level.target->m_entries.push_back(e);
        if (const Ref<cls_VornElements>& children = source.m_elements) {
            open.enter(children.get());
            e->m_elements = cls_VornElements::create();
            e->m_elements->DATA().setKEY(children->DATA().KEY());
            stack.push_back(Level{ children.get(), 0, e->m_elements.get() });
        }
    }
    takeOver(other.DATA().KEY(), std::move(copy->m_entries));
    pcDone = true;
}

void cls_VornElements::DataStore(CoreFile& pFile)
{
    storeRecordHead(pFile, DATA().KEY(), COUNT());
    OpenLists open(QStringLiteral("STORE"));
    open.enter(this);
    std::vector<std::pair<const cls_VornElements*, size_t>> stack{ { this, 0 } };
    while (!stack.empty()) {
        auto& [list, next] = stack.back();
        if (next >= list->m_entries.size()) {
            open.leave(list);
            stack.pop_back();
            continue;
        }
        const cls_VornElement& e = *list->m_entries[next++];
        e.storeOwnRecord(pFile);
        const Ref<cls_VornElements>& children = e.m_elements;
        storeRecordHead(pFile, children ? children->DATA().KEY() : Variant(), children ? children->COUNT() : 0);
        if (children && children->COUNT() > 0) {
            open.enter(children.get());
            stack.push_back({ children.get(), 0 });
        }
    }
}

bool cls_VornElements::DataRead(CoreFile& pFile)
{
    // A list is filled when its record is complete; one that fails half way stays as it was.
    struct Level {
        cls_VornElements* list;
        Variant key;
        qint32 remaining;
        std::vector<Ref<cls_VornElement>> entries;
    };
    Level top{ this, Variant(), 0, {} };
    if (!readRecordHead(pFile, top.key, top.remaining))
        return false;
    std::vector<Level> stack;
    stack.push_back(std::move(top));
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.remaining == 0) {
            level.list->takeOver(std::move(level.key), std::move(level.entries));
            stack.pop_back();
            continue;
        }
        --level.remaining;
        Ref<cls_VornElement> e = cls_VornElement::create();
        level.entries.push_back(e); // grows only as far as the file really holds entries
        // A record of another version leaves its element, or its child list, empty.
        if (!e->readOwnRecord(pFile))
            continue;
        Level children{ e->ELEMENTS().get(), Variant(), 0, {} };
        if (readRecordHead(pFile, children.key, children.remaining))
            stack.push_back(std::move(children)); // `level` is not used past this point
    }
    return true;
}

qint32 cls_VornElements::searchFallback(const Variant& normalizedProbe)
{
    if (!normalizedProbe.isText())
        return 0;
    if (m_sortIndexClock != cls_VornElement::sortClock() || m_sortIndexVersion != version()) {
        m_sortIndex.clear();
        const qint32 n = KeyedCollection::COUNT();
        for (qint32 p = 1; p <= n; ++p) {
            const QString sort = upperCased(m_entries[size_t(p - 1)]->SORT());
            if (!m_sortIndex.contains(sort))
                m_sortIndex.insert(sort, p);
        }
        m_sortIndexClock = cls_VornElement::sortClock();
        m_sortIndexVersion = version();
    }
    return m_sortIndex.value(normalizedProbe.text(), 0);
}

} // namespace vorn
