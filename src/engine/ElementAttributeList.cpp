// ATTRIBUTELIST's structure form: the values in the order of the type's definition.
#include <vorn/Element.h>

namespace vorn {

bool cls_VornElement::attributeListFor(cls_VornStructure&, const QString&, QString&)
{
    return false; // no structure class yet: the plain form applies
}

} // namespace vorn
