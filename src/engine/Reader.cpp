#include <vorn/Structure.h>
namespace vorn {
bool cls_VornStructure::PARSE(const QString&, const Ref<CoreList>&) { return true; }
}
