// Reading an element definition's parent rules, for the element check and the viewer.

#include "definitions/PlacementRules.h"

namespace vorn {

bool standsAnywhere(cls_VornElementDef& definition)
{
    return definition.PARENTSALLOWED()->COUNT() == 0 && definition.PARENTCLONESALLOWED()->COUNT() == 0;
}

bool namesParent(cls_VornElementDef& definition, const QString& parentType)
{
    return definition.PARENTSALLOWED()->EXISTS(parentType);
}

bool acceptsDerivedParent(cls_VornElementDef& definition, const QString& parentType, const CoreList& parentAncestors,
                          Qt::CaseSensitivity typeCase)
{
    for (const QString& c : definition.PARENTCLONESALLOWED()->items())
        if (parentAncestors.EXISTS(c) || c.compare(parentType, typeCase) == 0)
            return true;
    return false;
}

std::vector<PossibleChild> possibleChildren(cls_VornElementDefs& definitions, cls_VornElementDef& parent)
{
    std::vector<PossibleChild> children;
    if (parent.CHILDRENALLOWED()->COUNT() > 0) {
        for (const QString& entry : parent.CHILDRENALLOWED()->items())
            children.push_back({ entry, true });
        return children;
    }
    std::vector<Ref<cls_VornElementDef>> kin;
    for (const Ref<cls_VornElementDef>& x : definitions.entries())
        if (x && x->INTERNAL() == parent.INTERNAL())
            kin.push_back(x);
    const QString name = parent.NAME();
    const CoreList& ancestors = *parent.ANCESTORS();
    for (const auto& x : kin)
        if (namesParent(*x, name))
            children.push_back({ x->NAME(), true });
    for (const auto& x : kin)
        if (!namesParent(*x, name) && acceptsDerivedParent(*x, name, ancestors, Qt::CaseInsensitive))
            children.push_back({ x->NAME(), true });
    for (const auto& x : kin)
        if (standsAnywhere(*x))
            children.push_back({ x->NAME(), false });
    return children;
}

} // namespace vorn
