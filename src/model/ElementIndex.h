#pragma once
// FIND's index over the subtree of one element list: for each ID text and each UID, the first
// element and its parent in FIND's walk order.

#include <vorn/Element.h>

#include <QHash>

#include <optional>
#include <vector>

namespace vorn {

class ElementIndex {
public:
    // Where a match sits: the entry that holds the element, and the entry that holds its parent
    // (none for a direct element of the list). No element when nothing matches.
    struct Hit {
        const Ref<cls_VornElement>* element = nullptr;
        const Ref<cls_VornElement>* parent = nullptr;
    };

    // FIND's match below `top` for an ID text or a UID. The first lookup after a change of any
    // element tree on this thread walks; a second one before the next change builds the index,
    // from which the later ones answer.
    Hit find(const std::vector<Ref<cls_VornElement>>& top, const Variant& idOrUid);
    // The same match by the plain walk, which the index always agrees with.
    static Hit walk(const std::vector<Ref<cls_VornElement>>& top, const Variant& idOrUid);

private:
    // The clocks of everything a match depends on, read on one thread.
    struct Stamp {
        std::uint64_t thread, keys, tree, lists;
        bool operator==(const Stamp&) const = default;
        static Stamp now() noexcept;
    };
    void build(const std::vector<Ref<cls_VornElement>>& top);

    std::optional<Stamp> m_walkedAt, m_builtAt;
    // Entries into the tree: valid only while the stamp is m_builtAt.
    QHash<QString, Hit> m_byId;
    QHash<qint32, Hit> m_byUid;
};

} // namespace vorn
