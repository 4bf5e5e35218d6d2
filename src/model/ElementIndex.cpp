#include "model/ElementIndex.h"

#include "core/TextKeys.h"
#include <vorn/Elements.h>

#include <QSet>

#include <atomic>

namespace vorn {

namespace {

using Entry = Ref<cls_VornElement>;

QString idOf(const cls_VornElement& e)
{
    const Variant& key = e.DATA().KEY();
    return key.isText() ? key.text() : e.ID();
}

// What FIND compares: the upper-cased text with ID, anything else with UID.
struct Probe {
    bool byId;
    QString id;
    qint32 uid = 0;

    explicit Probe(const Variant& v) : byId(v.isText())
    {
        if (byId)
            id = upperCased(v.text());
        else
            uid = positionOf(v);
    }
    bool matches(const cls_VornElement& e) const { return byId ? idOf(e) == id : e.UID() == uid; }
};

// FIND's walk, as visit(entry, parent entry) with no parent entry at the top. A child list met
// again is not entered again: it was searched already, or is being searched when the tree holds
// itself, so it adds no first match, and the walk ends on any tree.
template <class Visit>
void walkEachListOnce(const std::vector<Entry>& top, Visit visit)
{
    static const Entry none;
    // Only a list held twice, or held by an element held twice, can be met again: only those
    // are remembered, so that a tree without sharing costs no lookups.
    QSet<const cls_VornElements*> shared;
    walkElements(
        top, none, [&](const Entry& e, const Entry& parent) { return visit(e, &parent == &none ? nullptr : &parent); },
        [&](const Entry& e, const cls_VornElements& children) {
            if (&children.entries() == &top)
                return false;
            if (e.use_count() > 1 || e->elementsIfAny().use_count() > 1) {
                if (shared.contains(&children))
                    return false;
                shared.insert(&children);
            }
            return true;
        });
}

// Tells the clocks of one thread from another's.
std::uint64_t threadSerial() noexcept
{
    static std::atomic<std::uint64_t> next{ 0 };
    thread_local const std::uint64_t serial = ++next;
    return serial;
}

} // namespace

ElementIndex::Stamp ElementIndex::Stamp::now() noexcept
{
    return { threadSerial(), cls_VornElement::keyClock(), cls_VornElement::treeClock(),
             cls_VornElements::contentClock() };
}

ElementIndex::Hit ElementIndex::walk(const std::vector<Entry>& top, const Variant& idOrUid)
{
    const Probe probe(idOrUid);
    Hit hit;
    walkEachListOnce(top, [&](const Entry& e, const Entry* parent) {
        if (!probe.matches(*e))
            return false;
        hit = Hit{ &e, parent };
        return true;
    });
    return hit;
}

ElementIndex::Hit ElementIndex::find(const std::vector<Entry>& top, const Variant& idOrUid)
{
    const Stamp now = Stamp::now();
    if (m_builtAt != now) {
        // A host that changes the tree between lookups walks as often as without an index.
        if (m_walkedAt != now) {
            m_walkedAt = now;
            m_builtAt.reset();
            m_byId = {};
            m_byUid = {};
            return walk(top, idOrUid);
        }
        build(top);
        m_builtAt = now;
    }
    const Probe probe(idOrUid);
    return probe.byId ? m_byId.value(probe.id) : m_byUid.value(probe.uid);
}

void ElementIndex::build(const std::vector<Entry>& top)
{
    std::vector<Hit> visits;
    walkEachListOnce(top, [&visits](const Entry& e, const Entry* parent) {
        visits.push_back(Hit{ &e, parent });
        return false;
    });
    m_byId.clear();
    m_byUid.clear();
    m_byId.reserve(qsizetype(visits.size()));
    m_byUid.reserve(qsizetype(visits.size()));
    // The first in walk order wins: a later one finds the place taken.
    for (const Hit& visit : visits) {
        const cls_VornElement& e = **visit.element;
        if (Hit& byId = m_byId[idOf(e)]; !byId.element)
            byId = visit;
        if (Hit& byUid = m_byUid[e.UID()]; !byUid.element)
            byUid = visit;
    }
}

} // namespace vorn
