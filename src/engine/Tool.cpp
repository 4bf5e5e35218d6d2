#include <vorn/Structure.h>

namespace vorn {

Ref<cls_VornTool> VORN()
{
    thread_local const Ref<cls_VornTool> tool(new cls_VornTool);
    return tool;
}

Ref<cls_VornStructure> cls_VornTool::PARSE(const QString& pScript, const Ref<CoreList>& pErrorList, bool pRaiseErrors)
{
    const Ref<CoreList> errors = pErrorList ? pErrorList : CoreList::create();
    auto structure = cls_VornStructure::create();
    const bool parsed = structure->PARSE(pScript, errors);
    if (pRaiseErrors && (!parsed || errors->COUNT() >= 1))
        throw Error(ErrorParse, QStringLiteral("VORN.PARSE"), QStringLiteral("Input script could not be parsed"));
    return structure;
}

} // namespace vorn
