#include <vorn/Structure.h>
namespace vorn {
bool cls_VornElement::CHECK(const Ref<Object>&, const Ref<cls_VornStructure>&) { return true; }
}
