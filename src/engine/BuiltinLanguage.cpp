// The language's own vocabulary, present in every new structure before any script is read.
#include <vorn/Structure.h>

namespace vorn {

namespace {

struct AttributeSpec {
    const char16_t* name;
    qint32 type;
    bool required;
    const char16_t* description;
};

void addAttributes(cls_VornElementDef& definition, std::initializer_list<AttributeSpec> attributes)
{
    for (const AttributeSpec& a : attributes)
        definition.ATTRIBUTES()->CREATE(QString::fromUtf16(a.name), a.type, QString(), a.required,
                                        QString::fromUtf16(a.description));
}

void addParents(cls_VornElementDef& definition, std::initializer_list<const char16_t*> parents)
{
    for (const char16_t* parent : parents)
        definition.PARENTSALLOWED()->ADD(QString::fromUtf16(parent));
}

Ref<cls_VornElementDef> define(cls_VornElementDefs& definitions, const char16_t* name, const char16_t* description)
{
    return definitions.CREATE(QString::fromUtf16(name), QString::fromUtf16(description));
}

// ICON, GROUP and COLOR as ELEMENT, MODIFY and CLONE declare them.
void addDisplayAttributes(cls_VornElementDef& definition)
{
    addAttributes(definition,
                  { { u"ICON", TypeString, false, u"Symbol für das Element" },
                    { u"GROUP", TypeString, false, u"Element-Gruppe" },
                    { u"COLOR", TypeColor, false, u"Farbe für dieses Element" } });
}

void addDeclarationAttributes(cls_VornElementDef& definition)
{
    addAttributes(definition,
                  { { u"NAME", TypeString, true, u"Name für das Attribut" },
                    { u"DEFAULT", TypeAtomic, false, u"Vorgabewert für das Attribut" } });
    // A declared attribute is mandatory unless the script says otherwise.
    definition.ATTRIBUTES()->CREATE(QStringLiteral("REQUIRED"), TypeBool, true, false,
                                    QStringLiteral("Ist das Attribut eine Pflichtangabe?"));
    addAttributes(definition, { { u"DESCRIPTION", TypeString, false, u"Beschreibung für das Attribut" } });
}

} // namespace

void cls_VornStructure::installBuiltinDefinitions()
{
    cls_VornElementDefs& defs = *DEFINITIONS();
    const auto commandParents = { u"CLONE", u"MODIFY" };

    auto d = define(defs, u"INCLUDE", u"Lädt eine andere Vorn-Skript-Datei ein");
    addParents(*d, { u"NONE" });
    addAttributes(*d, { { u"FILE", TypeString, true, u"Dateiname des Vorn-Skripts" } });

    d = define(defs, u"ENUMERATION", u"Erstellt eine Werte-Liste");
    addParents(*d, { u"NONE" });
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für die Werte-Liste" },
                    { u"DESCRIPTION", TypeString, false, u"Beschreibung für die Werte-Liste" } });

    d = define(defs, u"ENUMITEM", u"");
    addParents(*d, { u"ENUMERATION" });
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für das Mitglied der Werte-Liste" },
                    { u"VALUE", TypeEnum, true, u"Zugewiesener Wert" },
                    { u"DESCRIPTION", TypeString, false, u"Beschreibung für dieses Mitglied" } });

    d = define(defs, u"ELEMENT", u"Erstellt eine neue VoRn-Element-Definition");
    addParents(*d, { u"NONE" });
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für das neue Element" },
                    { u"DESCRIPTION", TypeString, false, u"Beschreibung für das Element" } });
    addDisplayAttributes(*d);

    d = define(defs, u"MODIFY", u"Ändert eine bestehende VoRn-Element-Definition");
    addParents(*d, { u"NONE" });
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für die zu ändernde Definition" },
                    { u"DESCRIPTION", TypeString, false, u"Beschreibung für das Element" } });
    addDisplayAttributes(*d);

    d = define(defs, u"CLONE", u"Erstellt eine neue VoRn-Element-Definition auf Basis einer bestehenden Definition");
    addParents(*d, { u"NONE" });
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für das neue Element" },
                    { u"CLONE", TypeString, true, u"Name des Vorlage-Elements" },
                    { u"DESCRIPTION", TypeString, false, u"Beschreibung für das neue Element" } });
    addDisplayAttributes(*d);

    d = define(defs, u"FIX",
               u"Fixiert ein Attribut, so dass es für diese Instanz nicht mehr angegben werden muss (und kann)");
    addParents(*d, commandParents);
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name des Atributs, dass fixiert werden soll" },
                    { u"VALUE", TypeAtomic, true, u"Wert für die Fixierung" } });

    d = define(defs, u"DEFAULT",
               u"Ändert den Vorgabewert eines Attributs und stellt es auf nicht-erforderlich um, so dass es für diese "
               u"Instanz nicht mehr angegben werden muss (aber kann)");
    addParents(*d, commandParents);
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name des Atributs, dass geändert werdensoll" },
                    { u"VALUE", TypeAtomic, true, u"Wert für die Fixierung" } });

    d = define(defs, u"REQUIRE", u"Stellt ein, dass ein Attribut unbedingt angegeben werden muss");
    addParents(*d, commandParents);
    addAttributes(*d, { { u"NAME", TypeString, true, u"Name des Atributs, dass geändert werdensoll" } });

    d = define(defs, u"UNFIX",
               u"Hebt die Fixierung eines Attributs auf, so dass es für diese Instanz wieder angegben werden kann");
    addParents(*d, commandParents);
    addAttributes(*d,
                  { { u"NAME", TypeString, true, u"Name für das Element, dessen Fixierung aufgehoben werden soll" } });

    d = define(defs, u"FIXALL",
               u"Fixiert alle Attribut, so dass sie für diese Instanz nicht mehr angegben werden können. Dabei werden "
               u"die Default-Werte nicht geändert");
    addParents(*d, commandParents);

    d = define(defs, u"PARENT", u"Gibt an, welche übergeordneten Elemente akzeptiert werden");
    addParents(*d, { u"ELEMENT" });
    addAttributes(*d, { { u"ELEMENT1", TypeString, true, u"Übergeordnetes Element 1" } });
    for (int i = 2; i <= 9; ++i)
        d->ATTRIBUTES()->CREATE(QStringLiteral("ELEMENT%1").arg(i), TypeString, QString(), false,
                                QStringLiteral("Übergeordnetes Element %1").arg(i));

    const QStringList typeWords = { QStringLiteral("STRING"), QStringLiteral("LONG"), QStringLiteral("DOUBLE"),
                                    QStringLiteral("BOOL"),   QStringLiteral("DATE"), QStringLiteral("ATOMIC") };
    const auto declarationParents = { u"ELEMENT", u"MODIFY", u"CLONE" };
    for (const QString& word : typeWords) {
        d = defs.CREATE(word, QStringLiteral("Erstellt ein Attribut mit dem Datentyp ") + word);
        addParents(*d, declarationParents);
        addDeclarationAttributes(*d);
    }

    d = define(defs, u"ENUM", u"Erstellt ein Attribut mit dem Datentyp Werte-Liste");
    addParents(*d, declarationParents);
    addAttributes(*d, { { u"ENUMID", TypeString, true, u"Name der Werte-Liste" } });
    addDeclarationAttributes(*d);

    for (const Ref<cls_VornElementDef>& definition : defs.entries())
        definition->setINTERNAL(true);
}

} // namespace vorn
