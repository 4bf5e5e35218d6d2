#pragma once
// Reading an element definition's parent rules: PARENTSALLOWED names the types an element of
// this type may stand under ("NONE" first: the top level only), PARENTCLONESALLOWED the types
// whose derived types count as parents too, and a definition with neither may stand anywhere.
// The element check applies them to one parent; the viewer asks which types fit below one.

#include <vorn/ElementDef.h>

#include <vector>

namespace vorn {

// Neither list names a parent.
bool standsAnywhere(cls_VornElementDef& definition);

// PARENTSALLOWED holds the parent type (letter case ignored).
bool namesParent(cls_VornElementDef& definition, const QString& parentType);

// Some entry of PARENTCLONESALLOWED is the parent type itself (compared with `typeCase`) or one
// of the types the parent derives from (`parentAncestors`, letter case ignored).
bool acceptsDerivedParent(cls_VornElementDef& definition, const QString& parentType, const CoreList& parentAncestors,
                          Qt::CaseSensitivity typeCase);

struct PossibleChild {
    QString name;
    bool namedByRule; // a rule names the parent (or the parent lists the child); false: it may stand anywhere
};

// The types that may stand below `parent`: the entries of its CHILDRENALLOWED when it has any.
// Otherwise, among the definitions exactly as internal as `parent`, in their order: those that
// name it in PARENTSALLOWED, then those that accept it as a derived parent, then those that may
// stand anywhere. A type can appear more than once.
std::vector<PossibleChild> possibleChildren(cls_VornElementDefs& definitions, cls_VornElementDef& parent);

} // namespace vorn
