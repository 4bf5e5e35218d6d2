// ATTRIBUTELIST's structure form: the values in the order of the type's definition.
#include <vorn/DataTypes.h>
#include <vorn/Structure.h>

namespace vorn {

// The parent comes from ELEMENTPARENT, which answers from the tree's index while the tree stays
// as it is (as while the viewer fills its tree).
bool cls_VornElement::attributeListFor(cls_VornStructure& structure, const QString& separator, QString& out)
{
    const Ref<cls_VornElementDefs>& definitions = structure.DEFINITIONS();
    if (!definitions->EXISTS(m_sort))
        return false;
    const Ref<cls_VornElement> parent = structure.ELEMENTPARENT(m_uid);
    const Ref<cls_VornElementDef> definition = definitions->ITEMPARENT(
        m_sort, parent ? parent->SORT() : QStringLiteral("NONE"));
    // A type declared only with lower-case names passes EXISTS but has no definition here.
    if (!definition)
        return false;

    out.clear();
    const Ref<cls_VornAttributeDefs>& declared = definition->ATTRIBUTES();
    const qint32 n = declared->COUNT();
    for (qint32 i = 1; i <= n; ++i) {
        const Ref<cls_VornAttributeDef> attribute = declared->Item(i);
        const QString name = attribute->NAME();
        if (name == QLatin1String("ID") || attribute->FIXED())
            continue;
        const Variant value = std::as_const(*this).attributeValues().VALUE(name, QString());
        if (!out.isEmpty())
            out += separator;
        out += DataTypes::FORMAT(value);
    }
    return true;
}

} // namespace vorn
