// Completion of a tree built in code: unique numbers and the removal of values equal to defaults.
// Both walk with an explicit stack in the same order as a recursion would, so that a tree built
// deeper than any script can nest does not exhaust the call stack.
#include <vorn/Structure.h>

namespace vorn {

void cls_VornStructure::CHECKIDS(const Ref<cls_VornElement>& pParentElement)
{
    struct Level {
        Ref<cls_VornElements> list;
        qint32 size; // taken once, before the level is walked
        qint32 next;
    };
    auto level = [](const Ref<cls_VornElements>& list) { return Level{ list, list ? list->COUNT(false) : 0, 1 }; };
    std::vector<Level> stack{ level(pParentElement ? pParentElement->elementsIfAny() : ELEMENTS()) };
    while (!stack.empty()) {
        Level& top = stack.back();
        if (top.next > top.size) {
            stack.pop_back();
            continue;
        }
        const Ref<cls_VornElement> e = top.list->Item(top.next++);
        if (!e)
            continue;
        if (e->UID() == 0)
            e->setUID(UIDCREATE());
        // Its children are numbered before its next sibling.
        if (e->hasElements())
            stack.push_back(level(e->elementsIfAny()));
    }
}

void cls_VornStructure::CHECKDEFAULTS(const Ref<cls_VornElement>& pElement, const Ref<cls_VornElement>& pParent)
{
    struct Pending {
        Ref<cls_VornElement> element;
        Ref<cls_VornElement> parent;
    };
    std::vector<Pending> stack;
    auto pushChildren = [&stack](const Ref<cls_VornElements>& list, const Ref<cls_VornElement>& parent) {
        if (!list)
            return;
        // Reversed, so that the first child is taken first.
        for (qint32 i = list->COUNT(false); i >= 1; --i)
            stack.push_back(Pending{ list->Item(i), parent });
    };
    if (pElement)
        stack.push_back(Pending{ pElement, pParent });
    else
        pushChildren(ELEMENTS(), nullptr);

    const Ref<cls_VornElementDefs>& definitions = DEFINITIONS();
    while (!stack.empty()) {
        const Pending item = std::move(stack.back());
        stack.pop_back();
        if (!item.element)
            continue;
        cls_VornElement& e = *item.element;
        const Ref<cls_VornElementDef> definition = definitions->ITEMPARENT(
            e.SORT(), item.parent ? item.parent->SORT() : QStringLiteral("NONE"));
        if (definition && e.hasAttributes()) {
            AttributeValues& values = e.attributeValues();
            const Ref<cls_VornAttributeDefs>& declared = definition->ATTRIBUTES();
            for (qint32 i = 1; i <= values.COUNT();) {
                const QString name = values.NAME(i);
                const Ref<cls_VornAttributeDef> attribute = declared->EXISTS(name) ? declared->Item(name) : nullptr;
                if (attribute && !attribute->REQUIRED() && values.VALUE(i, QString()) == attribute->DEFAULT())
                    values.REMOVE(i, true); // the next value moves into position i
                else
                    ++i;
            }
        }
        pushChildren(e.elementsIfAny(), item.element);
    }
}

} // namespace vorn
