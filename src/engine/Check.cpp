// The element check: type, placement, attribute values, identifier, then the commands.
#include "engine/CheckPlan.h"
#include "engine/Commands.h"
#include "engine/Messages.h"
#include "engine/ReaderSupport.h"

#include "core/TextKeys.h"
#include "definitions/PlacementRules.h"
#include <vorn/DataTypes.h>

#include <QSet>
#include <QVarLengthArray>

namespace vorn {

namespace {

const QString IdName = QStringLiteral("ID");

QString undefinedType(const QString& sort)
{
    return QStringLiteral("Der Element-Typ '") + sort
        + QStringLiteral(
               "' ist in dieser Struktur nicht definiert. Evtl. müssen Sie erst eine Definitions-Datei mit "
               "INCLUDE einbinden oder den Element-Typ mit BEGIN ELEMENT '")
        + sort + QStringLiteral("' definieren.");
}

// Placement under the parent type; False when the check must stop at once. `reported` tells
// whether it found anything: a placement that finds nothing finds nothing for the next element
// of the same type under the same parent type either.
bool checkPlacement(cls_VornElement& element, cls_VornElementDef& definition, const QString& parentType,
                    cls_VornStructure& structure, bool& reported)
{
    const auto reportError = [&reported](auto&&... args) {
        reported = true;
        vorn::reportError(std::forward<decltype(args)>(args)...);
    };
    CoreList& allowed = *definition.PARENTSALLOWED();
    CoreList& clones = *definition.PARENTCLONESALLOWED();
    bool accepted = false;
    if (allowed.COUNT() >= 1) {
        if (upperCased(allowed.ITEM(1)) != QLatin1String("NONE"))
            accepted = namesParent(definition, parentType);
        else if (!parentType.isEmpty())
            reportError(structure, element, Message::MustStandAtTop,
                        QStringLiteral("Dieses Element muss auf der Hauptebene definiert werden!"), typeRange(element));
    } else {
        accepted = standsAnywhere(definition);
    }
    if (!accepted && clones.COUNT() >= 1) {
        const Ref<cls_VornElementDef> parentDefinition = structure.DEFINITIONS()->Item(parentType);
        if (!parentDefinition) {
            reportError(structure, element, Message::ParentUndefined,
                        QStringLiteral("Eltern-Element '") + parentType + QStringLiteral("' wurde nicht definiert!"),
                        typeRange(element));
            return false;
        }
        accepted = acceptsDerivedParent(definition, parentType, *parentDefinition->ANCESTORS(), Qt::CaseSensitive);
    }
    const bool noneFirst = allowed.COUNT() >= 1 && allowed.ITEM(1) == QLatin1String("NONE");
    if (!accepted && !noneFirst) {
        const QString list = allowed.JOIN(QString(), QStringLiteral(", "), QString());
        const QString cloneList = clones.JOIN(QString(), QStringLiteral(", "), QString());
        const TextRange at = typeRange(element);
        if (allowed.COUNT() > 0 && clones.COUNT() == 0)
            reportError(structure, element, Message::ParentNotAllowed,
                        QStringLiteral("Dieses Element darf nur unterhalb der folgenden Elemente definiert werden: ")
                            + list,
                        at);
        else if (allowed.COUNT() > 0)
            reportError(structure, element, Message::ParentNotAllowedNorDerived,
                        QStringLiteral("Dieses Element darf nur unterhalb der folgenden Elemente definiert werden: ")
                            + list
                            + QStringLiteral(" oder Unterhalb von Elementen, die von folgenden abgeleitet wurden: ")
                            + cloneList,
                        at);
        else
            reportError(structure, element, Message::ParentNotDerived,
                        QStringLiteral("Dieses Element darf nur unterhalb von Elemente definiert werden, die von "
                                       "folgenden abgeleitet wurden: ")
                            + cloneList,
                        at);
    }
    return true;
}

// The value of one attribute converted to its data type, reported when it does not fit.
Variant convertedValue(cls_VornElement& element, const AttributeStep& step, const AttributeValues& given, qint32 at,
                       cls_VornStructure& structure)
{
    const Variant& v = given.valueAt(at);
    Variant converted = !step.enumerated ? DataTypes::CONVERT(v, step.type, errorMarker())
        : step.enumeration               ? step.enumeration->encode(v)
                                         : Variant(errorMarker());
    if (converted.isText() && converted.text() == errorMarker())
        reportError(structure, element, Message::IncompatibleValue,
                    QStringLiteral("Der für das Attribut '") + step.name + QStringLiteral("' angegebene Wert '")
                        + plainText(v) + QStringLiteral("' ist inkomaptibel zum geforderten Datentyp '")
                        + DataTypes::TYPETEXT(step.definition->SORT()) + QStringLiteral("'"),
                    rangeIn(element, given.placeAt(at).value));
    return converted;
}

// The usual element gives each attribute of its type once, in the definition's order, by
// name or at its position, and nothing else; no attribute is fixed. Its values are converted
// where they stand, which is what the rebuild below would make of them. False, with the bag
// untouched, for any other element.
bool convertInPlace(cls_VornElement& element, CheckPlan& plan, AttributeValues& given, cls_VornStructure& structure)
{
    const qint32 m = given.COUNT();
    if (!plan.namesShared || m != qint32(plan.steps.size()))
        return false;
    const bool passedBefore = given.names().isSharedWith(plan.namesInPlace);
    for (qint32 i = 0; i < m && !passedBefore; ++i) {
        const AttributeStep& step = plan.steps[size_t(i)];
        const QString& name = given.nameAt(i + 1);
        if (step.fixed)
            return false;
        if (sameName(name, step.upperName))
            continue;
        if (!sameName(name, step.positional))
            return false;
        // At its position only when the name itself is not given later.
        for (qint32 j = i + 2; j <= m; ++j)
            if (sameName(given.nameAt(j), step.upperName))
                return false;
    }
    for (qint32 i = 0; i < m; ++i) {
        const AttributeStep& step = plan.steps[size_t(i)];
        // A value that is already of its type stays as it is: no copy to put back.
        if (!step.enumerated && DataTypes::isOwnForm(given.kindAt(i + 1), step.type))
            continue;
        given.replaceValueAt(i + 1, convertedValue(element, step, given, i + 1, structure));
    }
    plan.namesInPlace = given.names();
    given.renameAll(plan.upperNames);
    return true;
}

// Rebuilds the values in the definition's order into `validated`, consuming what it uses from
// the element's own bag.
void checkAttributes(cls_VornElement& element, const CheckPlan& plan, AttributeValues& given,
                     AttributeValues& validated, cls_VornStructure& structure)
{
    if (plan.namesShared)
        validated.startSharing(plan.upperNames);
    else
        validated.reserve(qint32(plan.steps.size()));
    const qint32 m = given.COUNT();
    QVarLengthArray<bool, 16> used(m, false);
    qint32 firstUnused = 0; // values nearly always come in the definition's order
    // The first pair of that name not taken yet, as a search of the remaining bag would find it.
    const auto find = [&](const QString& upperName) -> qint32 {
        for (qint32 i = firstUnused; i < m; ++i)
            if (!used[i] && sameName(given.nameAt(i + 1), upperName))
                return i + 1;
        return 0;
    };
    const auto take = [&](const AttributeStep& step, Variant value, const AttributeValues::Place& place = {}) {
        if (plan.namesShared)
            validated.appendShared(std::move(value), place);
        else if (step.repeatsName)
            validated.put(step.upperName, std::move(value), place);
        else
            validated.append(step.upperName, std::move(value), place);
    };
    const QString& typeName = plan.definition->NAME();
    for (const AttributeStep& step : plan.steps) {
        const cls_VornAttributeDef& d = *step.definition;
        if (step.fixed) {
            if (const qint32 at = find(step.upperName))
                reportError(structure, element, Message::FixedAttributeGiven,
                            QStringLiteral("Das Attribut '") + step.name
                                + QStringLiteral("' wurde für den Element-Typ '") + typeName
                                + QStringLiteral("' fixiert und kann nicht gesetzt werden"),
                            rangeIn(element, given.placeAt(at).name));
            take(step, d.DEFAULT());
            continue;
        }
        // Given by name, else as the unnamed value at this attribute's position.
        qint32 at = find(step.upperName);
        if (!at) {
            at = find(step.positional);
            if (!at) {
                if (step.required) {
                    take(step, errorMarker());
                    reportError(structure, element, Message::RequiredAttributeMissing,
                                QStringLiteral("Das Attribut '") + step.name
                                    + QStringLiteral("' ist eine Pflichtangabe, wurde aber nicht definiert"),
                                typeRange(element));
                } else {
                    take(step, d.DEFAULT());
                }
                continue;
            }
        }
        Variant converted = convertedValue(element, step, given, at, structure);
        if (plan.namesShared)
            validated.appendShared(std::move(converted), given, at);
        else
            take(step, std::move(converted), given.placeAt(at));
        used[at - 1] = true;
        while (firstUnused < m && used[firstUnused])
            ++firstUnused;
    }
    // What no attribute took stays in the bag, in its order.
    if (firstUnused == m) {
        given.clear();
        return;
    }
    for (qint32 i = m; i >= 1; --i)
        if (used[i - 1])
            given.removeAt(i);
}

// The values of any other element: rebuilt in the definition's order, then the ID taken from
// what is left, and what is still left reported and kept as errors.
void rebuildAttributes(cls_VornElement& element, const CheckPlan& plan, AttributeValues& given,
                       cls_VornStructure& structure)
{
    // One scratch bag per thread: its pairs move into the element, the element's old storage into it.
    static thread_local AttributeValues validated;
    validated.clear();
    checkAttributes(element, plan, given, validated, structure);

    if (const qint32 at = given.FIND(IdName)) {
        element.setID(plainText(given.valueAt(at)));
        if (ElementSource* source = element.source())
            source->id = given.placeAt(at);
        given.removeAt(at);
    } else if (plan.definesId) {
        element.setID(plainText(validated.VALUE(IdName, QString())));
    }

    if (given.COUNT() > 0) {
        QStringList names;
        names.reserve(given.COUNT());
        // Names already in the validated bag (few: the definition's) get their value replaced.
        QSet<QString> present;
        for (qint32 i = 1; i <= validated.COUNT(); ++i)
            present.insert(validated.NAME(i));
        for (qint32 i = 1; i <= given.COUNT(); ++i) {
            QString name = given.NAME(i);
            names.append(name);
            if (present.contains(name)) {
                validated.put(std::move(name), errorMarker(), given.placeAt(i));
            } else {
                present.insert(name);
                validated.append(std::move(name), errorMarker(), given.placeAt(i));
            }
        }
        reportError(structure, element, Message::UnknownAttributes,
                    QStringLiteral("Es wurden Attribute angegeben, die nicht zum Element gehören: ")
                        + names.join(QStringLiteral(", ")),
                    rangeIn(element, given.placeAt(1).name));
    }
    given.adopt(validated);
}

} // namespace

const QString& errorMarker()
{
    static const QString marker = QStringLiteral("!ERROR!");
    return marker;
}

QString plainText(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Array:
    case Variant::Kind::Object:
    case Variant::Kind::Missing: return DataTypes::FORMAT(value);
    default: return value.toText();
    }
}

QString attributeText(cls_VornElement& block, const char16_t* name)
{
    return plainText(block.attributeValues().VALUE(QString::fromUtf16(name), QString()));
}

bool cls_VornElement::CHECK(const Ref<Object>& pParent, const Ref<cls_VornStructure>& pStructure)
{
    cls_VornStructure& structure = *pStructure;
    const auto* parentElement = dynamic_cast<const cls_VornElement*>(pParent.get());
    const QString parentType = parentElement ? parentElement->SORT() : QString();
    AttributeValues& given = attributeValues();

    for (qint32 i = 1; i <= given.COUNT();) {
        // Any value but a text has no characters, and so is never the marker.
        if (given.textAt(i) == emptyMarker())
            given.REMOVE(i, false);
        else
            ++i;
    }

    // A parse keeps the plans of every type it met; on its own a check plans for one use.
    CheckPlans single;
    CheckPlans& plans = structure.m_checkPlans ? *structure.m_checkPlans : single;
    CheckPlan& plan = plans.planFor(m_sort, parentType, structure);
    if (plan.sort != m_sort)
        setSORT(plan.sort);

    if (m_sort.isEmpty()) {
        reportError(structure, *this, Message::NoType, QStringLiteral("Jedes Element muss einen Typ haben"),
                    typeRange(*this));
    } else if (!plan.defined) {
        reportError(structure, *this, Message::UndefinedType, undefinedType(m_sort), typeRange(*this));
    } else if (plan.definition) {
        const Ref<cls_VornElementDef> definition = plan.definition;
        if (!plan.placementClean) {
            bool reported = false;
            if (!checkPlacement(*this, *definition, parentType, structure, reported))
                return false;
            plan.placementClean = !reported;
        }
        plans.buildSteps(plan, structure);
        if (!convertInPlace(*this, plan, given, structure))
            rebuildAttributes(*this, plan, given, structure);
        else if (plan.idPosition > 0) // named as the steps, the bag holds ID at the step's position
            setID(plainText(given.valueAt(plan.idPosition)));
        else if (plan.definesId) // keyed ID, yet no step's upper-cased name is: empty, as a rebuild finds it
            setID(plainText(QString()));
    } else {
        // Every definition of this type was declared with lower-case letters: none can be chosen.
        reportError(structure, *this, Message::UndefinedType, undefinedType(m_sort), typeRange(*this));
    }

    if (m_errors)
        return false;

    const QString command = upperCased(m_sort);
    const bool include = command == QLatin1String("INCLUDE");
    const bool enumeration = command == QLatin1String("ENUMERATION");
    const bool definition = command == QLatin1String("ELEMENT") || command == QLatin1String("MODIFY")
        || command == QLatin1String("CLONE");
    if (!include && !enumeration && !definition)
        return true;
    // A command may change the definitions that every plan was made from.
    if (structure.m_checkPlans)
        structure.m_checkPlans->clear();
    if (include)
        return runIncludeCommand(*this, structure);
    if (enumeration)
        return runEnumerationCommand(*this, structure);
    return runDefinitionCommand(*this, structure, command);
}

} // namespace vorn
