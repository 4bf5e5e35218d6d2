// The persistent classes that packages and record files can bring back by name.
#include "core/ClassRegistry.h"

#include <vorn/vorn.h>

namespace vorn {

namespace {
template <class T>
void registerClass()
{
    ClassRegistry::add(QString::fromUtf16(LibraryName) + QLatin1Char('.') + T::staticClassName(),
                       [] { return Ref<DataEvents>(T::create()); });
}
} // namespace

void registerBuiltinClasses()
{
    registerClass<CoreList>();
    registerClass<cls_VornAttributes>();
    registerClass<cls_VornElement>();
    registerClass<cls_VornElements>();
    registerClass<cls_VornAttributeDef>();
    registerClass<cls_VornAttributeDefs>();
    registerClass<cls_VornElementDef>();
    registerClass<cls_VornElementDefs>();
    registerClass<cls_VornEnumeration>();
    registerClass<cls_VornEnumerations>();
    registerClass<cls_VornStructure>();
}

} // namespace vorn
