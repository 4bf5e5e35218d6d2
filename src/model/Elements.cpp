#include <vorn/TextKeys.h>
#include <vorn/Elements.h>

namespace vorn {

Ref<cls_VornElements> cls_VornElements::create()
{
    return std::make_shared<cls_VornElements>(CreateKey<cls_VornElements>());
}

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

// What FIND and FINDPARENT compare: the upper-cased text with ID, anything else with UID.
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
    bool matches(const cls_VornElement& e) const
    {
        if (!byId)
            return e.UID() == uid;
        const Variant& key = e.DATA().KEY();
        return key.isText() ? key.text() == id : e.ID() == id;
    }
};

} // namespace

Ref<cls_VornElement> cls_VornElements::FIND(const Variant& pIDOrPathOrUID) const
{
    const Probe probe(pIDOrPathOrUID);
    Ref<cls_VornElement> found;
    walkElements(entries(), {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>&) {
        if (!probe.matches(*e))
            return false;
        found = e;
        return true;
    });
    return found;
}

Ref<cls_VornElement> cls_VornElements::FINDPARENT(const Variant& pIDOrPathOrUID, const Ref<cls_VornElement>& pParent) const
{
    const Probe probe(pIDOrPathOrUID);
    Ref<cls_VornElement> found;
    walkElements(entries(), pParent, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>& parent) {
        if (!probe.matches(*e))
            return false;
        found = parent;
        return true;
    });
    return found;
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

qint32 cls_VornElements::searchFallback(const Variant& normalizedProbe)
{
    if (!normalizedProbe.isText())
        return 0;
    if (m_sortIndexClock != cls_VornElement::sortClock() || m_sortIndexVersion != version()) {
        m_sortIndex.clear();
        const qint32 n = KeyedCollection::COUNT();
        for (qint32 p = 1; p <= n; ++p)
        {
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
