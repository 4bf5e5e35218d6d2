#pragma once
// The child elements of a structure or an element, with walks over the whole subtree.

#include <vorn/Element.h>
#include <vorn/KeyedCollection.h>

#include <memory>

namespace vorn {

class ElementIndex;

class cls_VornElements final : public KeyedCollection<cls_VornElements, cls_VornElement> {
public:
    static constexpr bool FillsEmptySlots = false;
    static constexpr bool RemoveMovesLast = false;

    static Ref<cls_VornElements> create();
    explicit cls_VornElements(CreateKey<cls_VornElements>);
    ~cls_VornElements() override;
    static QString staticClassName() { return QStringLiteral("cls_VornElements"); }

    // Direct elements, or with pIncludeSubElements the whole subtree below the list.
    qint32 COUNT(bool pIncludeSubElements = false) const;
    // A new element keyed by pID in upper case (a number by its text); no key when absent.
    Ref<cls_VornElement> CREATE(const Variant& pID = Variant::missing());
    // The first element of the subtree, depth-first in script order, whose ID equals the
    // upper-cased text, or for any other value whose UID equals the rounded number. Between
    // changes of element trees lookups take constant time: the first one after a change walks
    // the subtree, the second builds an index.
    Ref<cls_VornElement> FIND(const Variant& pIDOrPathOrUID) const;
    // The parent of that element: pParent for a direct element of this list.
    Ref<cls_VornElement> FINDPARENT(const Variant& pIDOrPathOrUID, const Ref<cls_VornElement>& pParent = {}) const;
    // Whether any element of the subtree has ERRORS.
    bool ERRORSGLOBAL() const;
    // Adds every element of pOther, shared and without key.
    void MERGE(cls_VornElements& pOther) { mergeFrom(pOther); }
    // Writes each direct element as script text (the writer).
    void STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure);

    // Second search pass: the first direct element whose SORT, upper-cased, is the probe.
    qint32 searchFallback(const Variant& normalizedProbe);

    // Deep copy, file record and reading walk the whole subtree without recursion.
    void DataCopy(const Object& pOther, bool& pcDone) override;
    void DataStore(CoreFile& pFile) override;
    bool DataRead(CoreFile& pFile) override;

private:
    friend class cls_VornElement;
    // Made by the first FIND or FINDPARENT.
    mutable std::unique_ptr<ElementIndex> m_findIndex;
    QHash<QString, qint32> m_sortIndex;
    std::uint64_t m_sortIndexClock = ~std::uint64_t(0);
    std::uint64_t m_sortIndexVersion = ~std::uint64_t(0);
};

// Visits every element below `top` depth-first in script order (an element, then its subtree,
// then its next sibling) without recursion, as visit(element, parent) with `topParent` as the
// parent of the top level; stops when visit answers True. Empty entries are passed over. Both
// arguments of visit are the entries themselves, which stay in place while the tree does.
// enter(element, children) may keep the walk out of an element's children.
template <class Visit, class Enter>
void walkElements(const std::vector<Ref<cls_VornElement>>& top, const Ref<cls_VornElement>& topParent, Visit visit,
                  Enter enter)
{
    struct Level {
        const std::vector<Ref<cls_VornElement>>* entries;
        size_t next;
        const Ref<cls_VornElement>* parent;
    };
    std::vector<Level> stack{ Level{ &top, 0, &topParent } };
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.entries->size()) {
            stack.pop_back();
            continue;
        }
        const Ref<cls_VornElement>& e = (*level.entries)[level.next++];
        if (!e)
            continue;
        if (visit(e, *level.parent))
            return;
        if (e->hasElements() && enter(e, *e->elementsIfAny()))
            stack.push_back(Level{ &e->elementsIfAny()->entries(), 0, &e });
    }
}

template <class Visit>
void walkElements(const std::vector<Ref<cls_VornElement>>& top, const Ref<cls_VornElement>& topParent, Visit visit)
{
    walkElements(top, topParent, visit, [](const Ref<cls_VornElement>&, const cls_VornElements&) { return true; });
}

} // namespace vorn
