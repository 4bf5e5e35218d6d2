#include <vorn/Structure.h>
namespace vorn {
void cls_VornElement::STORE(const Ref<CoreList>&, qint32, const Ref<cls_VornStructure>&) {}
void cls_VornElements::STORE(const Ref<CoreList>& pCol, qint32 pIndent, const Ref<cls_VornStructure>& pStructure)
{
    for (const auto& e : entries())
        e->STORE(pCol, pIndent, pStructure);
}
}
