#pragma once
// A parent index that readers of an unchanging tree share while they walk it.

#include <vorn/Structure.h>

#include <memory>

namespace vorn {

// While it lives, ELEMENTPARENT of this structure answers from an index built once on first use,
// instead of walking the tree per call. For readers that do not change the tree meanwhile (the
// writer, the viewer, a host listing ATTRIBUTELIST of every element). Scopes nest; an inner
// scope for the same structure shares the outer one's index.
class ParentIndexScope {
public:
    explicit ParentIndexScope(const Ref<cls_VornStructure>& structure);
    ~ParentIndexScope();
    ParentIndexScope(const ParentIndexScope&) = delete;
    ParentIndexScope& operator=(const ParentIndexScope&) = delete;

    struct Index;
    // The open index for a structure on this thread, or none.
    static Index* current(const cls_VornStructure* structure) noexcept;

private:
    std::unique_ptr<Index> m_own;
    Index* m_outer = nullptr;
};

} // namespace vorn
