// FIND and FINDPARENT against the plain walk, while random edits change the tree under them.
#include "model/ElementIndex.h"
#include "support/Common.h"

#include <vorn/vorn.h>

#include <random>

using namespace vorn;

namespace {

const char* const Ids[] = { "A", "B", "AB", "b", "7" };
const char* const Probes[] = { "A", "b", "ab", "7", "1", "", " A", "ZZ" };
// The steps below, more of those that grow the tree.
const size_t Steps[] = { 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4, 5, 6, 6, 7, 7, 8, 9 };

// A random tree and every element and list it ever held, kept weakly so that the tree's own
// sharing is all there is: the walk remembers only lists that are held twice.
struct Forest {
    std::mt19937 rng;
    Ref<cls_VornElements> top = cls_VornElements::create();
    std::vector<std::weak_ptr<cls_VornElement>> elements;
    std::vector<std::weak_ptr<cls_VornElements>> lists{ top };

    explicit Forest(unsigned seed) : rng(seed) {}
    ~Forest() // ends the cycles, so that everything is released
    {
        for (const auto& list : lists)
            if (const auto l = list.lock())
                l->DATABASE().CLEAR();
    }
    size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
    template <class T>
    Ref<T> any(std::vector<std::weak_ptr<T>>& pool)
    {
        while (!pool.empty()) {
            const size_t i = below(pool.size());
            if (Ref<T> alive = pool[i].lock())
                return alive;
            pool[i] = pool.back();
            pool.pop_back();
        }
        return nullptr;
    }
    Ref<cls_VornElement> anyElement()
    {
        const Ref<cls_VornElement> e = any(elements);
        return e ? e : adopt(top->CREATE());
    }
    Variant id() { return QString::fromLatin1(Ids[below(std::size(Ids))]); }
    qint32 uid() { return qint32(below(12)); }
    qint32 position(const cls_VornElements& list) { return qint32(below(size_t(list.COUNT()) + 1)); }
    // Whether the subtree has at most a few hundred elements counted along every path, which
    // a copy of it makes; a subtree that holds itself has no end.
    static bool small(const Ref<cls_VornElement>& e)
    {
        int n = 0;
        walkElements(e->ELEMENTS()->entries(), {}, [&n](const auto&, const auto&) { return ++n > 200; });
        return n <= 200;
    }

    // Remembers a new element and what lies below it (a tree: a copy).
    const Ref<cls_VornElement>& adopt(const Ref<cls_VornElement>& e)
    {
        auto remember = [this](const Ref<cls_VornElement>& x, const Ref<cls_VornElement>& = {}) {
            elements.push_back(x);
            lists.push_back(x->ELEMENTS());
            return false;
        };
        remember(e);
        walkElements(e->ELEMENTS()->entries(), {}, remember);
        return e;
    }

    void step(size_t op)
    {
        const Ref<cls_VornElements> list = any(lists);
        switch (op) {
        case 0: adopt(below(3) ? list->CREATE(id()) : list->CREATE())->setUID(uid()); break;
        case 1: list->ADD(anyElement(), below(2) ? id() : Variant::missing()); break;
        case 2: list->REMOVE(position(*list)); break;
        case 3: list->SWAP(position(*list), position(*list)); break;
        case 4:
            if (const auto other = any(lists); other->COUNT() < 40)
                list->MERGE(*other);
            break;
        case 5:
            if (const Ref<cls_VornElement> e = anyElement(), source = anyElement(); small(source)) {
                if (below(2))
                    e->DATA().COPY(source);
                else
                    e->DATA().setPACKAGE(source->DATA().PACKAGE());
                adopt(e);
            }
            break;
        case 6: anyElement()->DATA().setKEY(below(3) ? id() : Variant(qint32(below(3)))); break;
        case 7: anyElement()->setUID(uid()); break;
        case 8: {
            const auto fresh = cls_VornElements::create();
            lists.push_back(fresh);
            anyElement()->setELEMENTS(below(2) ? list : fresh);
            break;
        }
        default: list->DATABASE().CLEAR();
        }
    }

    Variant probe()
    {
        if (below(2))
            return QString::fromLatin1(Probes[below(std::size(Probes))]);
        return below(4) ? Variant(qint32(below(14))) : Variant(2.6);
    }
    // Several lookups in a row: the first after a change walks, the next builds, the rest hash.
    void check(const cls_VornElements& list, const std::string& where)
    {
        const auto outer = cls_VornElement::create();
        for (size_t n = 1 + below(4); n > 0; --n) {
            const Variant p = probe();
            const ElementIndex::Hit hit = ElementIndex::walk(list.entries(), p);
            const Ref<cls_VornElement> element = hit.element ? *hit.element : nullptr;
            const Ref<cls_VornElement> parent = !hit.element ? nullptr : hit.parent ? *hit.parent : outer;
            const std::string what = where + ", probe " + DataTypes::FORMAT(p).toStdString();
            if (below(2)) {
                ASSERT_EQ(list.FIND(p), element) << what;
            }
            ASSERT_EQ(list.FINDPARENT(p, outer), parent) << what;
            ASSERT_EQ(list.FIND(p), element) << what;
        }
    }
};

} // namespace

TEST(ElementIndexTest, AnswersAsThePlainWalkThroughRandomEdits)
{
    for (const unsigned seed : { 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u }) {
        Forest f(seed);
        for (int i = 0; i < 300; ++i)
            f.step(i % 30 ? 0 : 4);
        for (int i = 0; i < 3000; ++i) {
            const size_t op = Steps[f.below(std::size(Steps))];
            f.step(op);
            const std::string where = "seed " + std::to_string(seed) + ", step " + std::to_string(i) + ", op "
                + std::to_string(op);
            ASSERT_NO_FATAL_FAILURE(f.check(*f.top, where));
            const auto list = f.any(f.lists);
            ASSERT_NO_FATAL_FAILURE(f.check(*list, where + ", sub-list"));
        }
    }
}

TEST(ElementIndexTest, ATreeThatHoldsItselfIsSearchedToItsEnd)
{
    auto top = cls_VornElements::create();
    auto a = top->CREATE("A");
    a->ELEMENTS()->CREATE("B")->setUID(2);
    a->ELEMENTS()->ADD(a);
    auto c = a->ELEMENTS()->CREATE("C"); // after the way back into the tree
    c->setELEMENTS(top);
    for (const auto& list : { top, a->ELEMENTS() }) {
        const std::pair<const char*, Ref<cls_VornElement>> cases[] = { { "NONE", nullptr }, { "C", c } };
        for (const auto& [id, found] : cases) {
            list->SWAP(1, 1); // a new clock: the first lookup walks, the second builds the index
            EXPECT_EQ(list->FIND(id), found) << id;
            EXPECT_EQ(list->FIND(id), found) << id;
        }
        EXPECT_EQ(list->FINDPARENT(2, a), a);
    }
    a->ELEMENTS()->DATABASE().CLEAR();
    c->ELEMENTS()->DATABASE().CLEAR();
}
