#include <vorn/Structure.h>
namespace vorn {
void cls_VornStructure::CHECKIDS(const Ref<cls_VornElement>&) {}
void cls_VornStructure::CHECKDEFAULTS(const Ref<cls_VornElement>&, const Ref<cls_VornElement>&) {}
}
