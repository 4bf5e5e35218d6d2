// The four keyed collections, compiled once.
#include "model/KeyedCollectionImpl.h"

#include <vorn/AttributeDef.h>
#include <vorn/ElementDef.h>
#include <vorn/Elements.h>
#include <vorn/Enumeration.h>

namespace vorn {

template class KeyedCollection<cls_VornAttributeDefs, cls_VornAttributeDef>;
template class KeyedCollection<cls_VornElementDefs, cls_VornElementDef>;
template class KeyedCollection<cls_VornElements, cls_VornElement>;
template class KeyedCollection<cls_VornEnumerations, cls_VornEnumeration>;

} // namespace vorn
