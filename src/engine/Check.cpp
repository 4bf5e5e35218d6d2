// The element check: type, placement, attribute values, identifier, then the commands.
#include "engine/Commands.h"
#include "engine/Messages.h"
#include "engine/ReaderSupport.h"

#include "core/TextKeys.h"
#include "definitions/PlacementRules.h"
#include <vorn/DataTypes.h>

#include <QSet>

namespace vorn {

namespace {

QString undefinedType(const QString& sort)
{
    return QStringLiteral("Der Element-Typ '") + sort
        + QStringLiteral(
               "' ist in dieser Struktur nicht definiert. Evtl. müssen Sie erst eine Definitions-Datei mit "
               "INCLUDE einbinden oder den Element-Typ mit BEGIN ELEMENT '")
        + sort + QStringLiteral("' definieren.");
}

// Placement under the parent type; False when the check must stop at once.
bool checkPlacement(cls_VornElement& element, cls_VornElementDef& definition, const QString& parentType,
                    cls_VornStructure& structure)
{
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

// Rebuilds the values in the definition's order into `validated`, consuming what it uses from
// the element's own bag.
void checkAttributes(cls_VornElement& element, cls_VornElementDef& definition, cls_VornAttributes& given,
                     cls_VornAttributes& validated, cls_VornStructure& structure)
{
    cls_VornAttributeDefs& definitions = *definition.ATTRIBUTES();
    const qint32 n = definitions.COUNT();
    validated.reserve(n);
    qint32 position = 0;
    for (qint32 p = 1; p <= n; ++p) {
        const Ref<cls_VornAttributeDef>& d = definitions.entryAt(p);
        const QString name = d->NAME();
        const QString upperName = upperCased(name);
        if (!d->FIXED())
            ++position;
        if (d->FIXED()) {
            if (given.FIND(upperName) > 0)
                reportError(structure, element, Message::FixedAttributeGiven,
                            QStringLiteral("Das Attribut '") + name + QStringLiteral("' wurde für den Element-Typ '")
                                + definition.NAME() + QStringLiteral("' fixiert und kann nicht gesetzt werden"),
                            nameRange(element, upperName));
            validated.put(upperName, d->DEFAULT());
            continue;
        }
        // Given by name, else as the unnamed value at this attribute's position.
        qint32 at = given.FIND(upperName);
        if (!at) {
            const QString positional = positionName(position);
            at = given.FIND(positional);
            if (!at) {
                if (d->REQUIRED()) {
                    validated.put(upperName, errorMarker());
                    reportError(structure, element, Message::RequiredAttributeMissing,
                                QStringLiteral("Das Attribut '") + name
                                    + QStringLiteral("' ist eine Pflichtangabe, wurde aber nicht definiert"),
                                typeRange(element));
                } else {
                    validated.put(upperName, d->DEFAULT());
                }
                continue;
            }
            if (ElementSource* source = element.source())
                for (ElementSource::Value& v : source->values)
                    if (v.name == positional)
                        v.name = upperName;
        }
        const Variant& v = given.valueAt(at);
        Variant converted = d->ENUMID().isEmpty() ? DataTypes::CONVERT(v, d->SORT(), errorMarker())
                                                  : structure.ENUMERATIONS()->ENCODE(d->ENUMID(), v);
        if (converted.isText() && converted.text() == errorMarker())
            reportError(structure, element, Message::IncompatibleValue,
                        QStringLiteral("Der für das Attribut '") + name + QStringLiteral("' angegebene Wert '")
                            + plainText(v) + QStringLiteral("' ist inkomaptibel zum geforderten Datentyp '")
                            + DataTypes::TYPETEXT(d->SORT()) + QStringLiteral("'"),
                        valueRange(element, upperName));
        validated.put(upperName, std::move(converted));
        given.removeAt(at);
    }
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
    return plainText(block.ATTRIBUTES()->VALUE(QString::fromUtf16(name), QString()));
}

bool cls_VornElement::CHECK(const Ref<Object>& pParent, const Ref<cls_VornStructure>& pStructure)
{
    cls_VornStructure& structure = *pStructure;
    const auto* parentElement = dynamic_cast<const cls_VornElement*>(pParent.get());
    const QString parentType = parentElement ? parentElement->SORT() : QString();
    cls_VornAttributes& given = *ATTRIBUTES();

    for (qint32 i = 1; i <= given.COUNT();) {
        const Variant& v = given.valueAt(i);
        if (v.isText() && v.text() == emptyMarker())
            given.REMOVE(i, false);
        else
            ++i;
    }

    cls_VornElementDefs& definitions = *structure.DEFINITIONS();
    if (!parentType.isEmpty() && !m_sort.isEmpty()) {
        const QString specific = m_sort + u'.' + parentType;
        if (definitions.EXISTS(specific))
            setSORT(specific);
    }

    if (m_sort.isEmpty()) {
        reportError(structure, *this, Message::NoType, QStringLiteral("Jedes Element muss einen Typ haben"),
                    typeRange(*this));
    } else if (!definitions.EXISTS(m_sort)) {
        reportError(structure, *this, Message::UndefinedType, undefinedType(m_sort), typeRange(*this));
    } else if (const Ref<cls_VornElementDef> definition = definitions.ITEMPARENT(
                   m_sort, parentType.isEmpty() ? QStringLiteral("NONE") : parentType)) {
        if (!checkPlacement(*this, *definition, parentType, structure))
            return false;
        // One scratch bag per thread: its pairs move into the element, the bag itself is reused.
        static thread_local const Ref<cls_VornAttributes> scratch = cls_VornAttributes::create();
        const Ref<cls_VornAttributes>& validated = scratch;
        validated->clear();
        checkAttributes(*this, *definition, given, *validated, structure);

        static const QString Id = QStringLiteral("ID");
        if (given.EXISTS(Id)) {
            setID(plainText(given.VALUE(Id, QString())));
            given.REMOVE(Id, true);
        } else if (definition->ATTRIBUTES()->EXISTS(Id)) {
            setID(plainText(validated->VALUE(Id, QString())));
        }

        if (given.COUNT() > 0) {
            QStringList names;
            names.reserve(given.COUNT());
            // Names already in the validated bag (few: the definition's) get their value replaced.
            QSet<QString> present;
            for (qint32 i = 1; i <= validated->COUNT(); ++i)
                present.insert(validated->NAME(i));
            for (qint32 i = 1; i <= given.COUNT(); ++i) {
                QString name = given.NAME(i);
                names.append(name);
                if (present.contains(name)) {
                    validated->setVALUE(name, errorMarker());
                } else {
                    present.insert(name);
                    validated->append(std::move(name), errorMarker());
                }
            }
            reportError(structure, *this, Message::UnknownAttributes,
                        QStringLiteral("Es wurden Attribute angegeben, die nicht zum Element gehören: ")
                            + names.join(QStringLiteral(", ")),
                        nameRange(*this, names.first()));
        }
        given.adopt(*validated);
    } else {
        // Every definition of this type was declared with lower-case letters: none can be chosen.
        reportError(structure, *this, Message::UndefinedType, undefinedType(m_sort), typeRange(*this));
    }

    if (m_errors)
        return false;

    const QString command = upperCased(m_sort);
    if (command == QLatin1String("INCLUDE"))
        return runIncludeCommand(*this, structure);
    if (command == QLatin1String("ENUMERATION"))
        return runEnumerationCommand(*this, structure);
    if (command == QLatin1String("ELEMENT") || command == QLatin1String("MODIFY") || command == QLatin1String("CLONE"))
        return runDefinitionCommand(*this, structure, command);
    return true;
}

} // namespace vorn
