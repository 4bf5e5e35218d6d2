// ELEMENT, MODIFY and CLONE: a script declares and changes its own element types.
#include "core/Vocabulary.h"
#include "engine/Commands.h"
#include "engine/Messages.h"

#include "core/TextKeys.h"
#include <vorn/DataTypes.h>

#include <limits>

namespace vorn {

namespace {

QString notThere(const QString& name)
{
    return QStringLiteral("Das Attribut '") + name + QStringLiteral("' gibt es in dieserm Element-Typ nicht");
}

qint32 colorNumber(const QString& text)
{
    const double d = roundHalfEven(leadingNumber(text));
    if (!(d >= std::numeric_limits<qint32>::min() && d <= std::numeric_limits<qint32>::max()))
        return 0;
    return qint32(d);
}

// The target definition of the command, or none when the head stopped it.
Ref<cls_VornElementDef> commandTarget(cls_VornElement& block, cls_VornStructure& structure, const QString& command)
{
    cls_VornElementDefs& definitions = *structure.DEFINITIONS();
    const QString name = attributeText(block, u"NAME");
    if (command == QLatin1String("ELEMENT")) {
        auto target = definitions.CREATE(name, attributeText(block, u"DESCRIPTION"));
        target->setICON(attributeText(block, u"ICON"));
        target->setGROUP(attributeText(block, u"GROUP"));
        target->setCOLOR(colorNumber(attributeText(block, u"COLOR")));
        target->setSOURCE(structure.SOURCE());
        target->setSPAN(block.SPAN());
        return target;
    }
    if (command == QLatin1String("MODIFY")) {
        if (!definitions.EXISTS(name)) {
            reportError(
                structure, block, Message::ModifyOfUndefined,
                QStringLiteral("MODIFY kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber '")
                    + name + QStringLiteral("' ist noch nicht definiert!"),
                valueRange(block, QStringLiteral("NAME")));
            return {};
        }
        return definitions.Item(name);
    }
    const QString original = attributeText(block, u"CLONE");
    if (definitions.EXISTS(name)) {
        reportError(structure, block, Message::TypeExists,
                    QStringLiteral("Es gibt bereits ein Element '") + name + QStringLiteral("'"),
                    valueRange(block, QStringLiteral("NAME")));
        return {};
    }
    if (!definitions.EXISTS(original)) {
        reportError(
            structure, block, Message::CloneOfUndefined,
            QStringLiteral("CLONE kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber '")
                + original + QStringLiteral("' ist noch nicht definiert!"),
            valueRange(block, QStringLiteral("CLONE")));
        return {};
    }
    const QString description = attributeText(block, u"DESCRIPTION");
    auto target = definitions.CREATE(name, description);
    target->DATA().COPY(*definitions.Item(original));
    target->setNAME(name);
    target->setDESCRIPTION(description);
    target->ANCESTORS()->ADD(upperCased(original));
    target->setSPAN(block.SPAN());
    return target;
}

// FIX and DEFAULT set a default, through the value list for value-list attributes; False when
// the value is no member of that list.
bool setDefault(cls_VornElement& block, const cls_VornElement& sub, cls_VornAttributeDef& attribute,
                const Variant& value, cls_VornStructure& structure)
{
    if (attribute.ENUMID().isEmpty()) {
        attribute.setDEFAULT(value);
        return true;
    }
    attribute.setDEFAULT(structure.ENUMERATIONS()->ENCODE(attribute.ENUMID(), value));
    if (attribute.DEFAULT() == Variant(errorMarker())) {
        reportError(structure, block, Message::DefaultNotInList,
                    QStringLiteral("Der angegebene Wert '") + DataTypes::FORMAT(value)
                        + QStringLiteral("' ist kein Mitglied der Werte-Liste '") + attribute.ENUMID()
                        + QStringLiteral("'!"),
                    valueRange(sub, QStringLiteral("VALUE")));
        return false;
    }
    return true;
}

} // namespace

bool runDefinitionCommand(cls_VornElement& block, cls_VornStructure& structure, const QString& command)
{
    const Ref<cls_VornElementDef> target = commandTarget(block, structure, command);
    if (!target)
        return false;
    cls_VornAttributeDefs& attributes = *target->ATTRIBUTES();

    const auto subBlocks = block.ELEMENTS()->entries(); // the walk's length is fixed at its start
    for (const Ref<cls_VornElement>& sub : subBlocks) {
        if (sub->ERRORS())
            return false;
        const QString& sort = sub->SORT();
        const AttributeValues& values = sub->attributeValues();

        if (sort == QLatin1String("PARENT")) {
            for (qint32 i = 1; i <= values.COUNT(); ++i) {
                const QString t = plainText(values.VALUE(i, QString()));
                if (t.endsWith(u'*')) {
                    target->PARENTCLONESALLOWED()->ADD(t.chopped(1));
                } else {
                    target->PARENTSALLOWED()->ADD(t);
                    target->PARENTCLONESALLOWED()->REMOVEVALUE(t);
                }
            }
            continue;
        }
        if (sort == QLatin1String("FIXALL")) {
            for (qint32 i = 1; i <= attributes.COUNT(); ++i)
                attributes.Item(i)->setFIXED(true);
            continue;
        }
        if (sort == QLatin1String("FIX") || sort == QLatin1String("REQUIRE") || sort == QLatin1String("DEFAULT")
            || sort == QLatin1String("UNFIX")) {
            const QString name = attributeText(*sub, u"NAME");
            if (!attributes.EXISTS(name)) {
                reportError(structure, block, Message::AttributeNotInType, notThere(name),
                            valueRange(*sub, QStringLiteral("NAME")));
                continue;
            }
            cls_VornAttributeDef& attribute = *attributes.Item(name);
            const Variant value = values.VALUE(QStringLiteral("VALUE"), QString());
            if (sort == QLatin1String("FIX")) {
                attribute.setFIXED(true);
                if (!setDefault(block, *sub, attribute, value, structure))
                    return false;
            } else if (sort == QLatin1String("REQUIRE")) {
                attribute.setFIXED(false);
                attribute.setREQUIRED(true);
            } else if (sort == QLatin1String("DEFAULT")) {
                attribute.setFIXED(false);
                attribute.setREQUIRED(false);
                if (!setDefault(block, *sub, attribute, value, structure))
                    return false;
            } else {
                attribute.setFIXED(false);
            }
            continue;
        }

        // An attribute declaration.
        const QString name = attributeText(*sub, u"NAME");
        const Variant defaultValue = values.VALUE(QStringLiteral("DEFAULT"), QString());
        bool required = false;
        try {
            required = values.VALUE(QStringLiteral("REQUIRED"), QString()).toBool();
        } catch (const Error&) {
        }
        const QString description = attributeText(*sub, u"DESCRIPTION");
        if (sort != QLatin1String("ENUM")) {
            const qint32 type = DataTypes::TYPEOFWORD(sort);
            if (type == 0) {
                reportError(structure, block, Message::InvalidDeclarationPart,
                            sort + QStringLiteral(" ist kein gültiges Untererlement von 'ELEMENT'"), typeRange(*sub));
                return false;
            }
            attributes.CREATE(name, type, defaultValue, required, description)->setSPAN(sub->SPAN());
            continue;
        }
        const QString list = attributeText(*sub, u"ENUMID");
        cls_VornEnumerations& lists = *structure.ENUMERATIONS();
        if (!lists.EXISTS(list)) {
            reportError(structure, block, Message::ListUndefined,
                        QStringLiteral("Die Werte-Liste '") + list
                            + QStringLiteral("' wurde in dieser Struktur nicht definiert und kann daher auch nicht "
                                             "als Datentyp für ein Attribut verwendet werden!"),
                        valueRange(*sub, QStringLiteral("ENUMID")));
            return false;
        }
        const Ref<cls_VornAttributeDef> attribute = attributes.CREATE(name, TypeEnum, lists.ENCODE(list, defaultValue),
                                                                      required, description);
        attribute->setENUMID(list);
        attribute->setSPAN(sub->SPAN());
    }

    block.setSORT(vocabulary::DeclarationSort.toString());
    return true;
}

} // namespace vorn
