#pragma once
// The engine tests' structure of test definitions, error lists and the fixed message texts.

#include "support/Common.h"

#include <vorn/vorn.h>

#include <QSet>

namespace support {
using namespace vorn;

inline QStringList errorsOf(const Ref<cls_VornElement>& e) { return e->ERRORTEXT().split("\r\n", Qt::SkipEmptyParts); }
inline QStringList errorsOf(const Ref<cls_VornStructure>& s)
{
    return s->ERRORTEXT().split("\r\n", Qt::SkipEmptyParts);
}

inline QStringList attributeNames(const Ref<cls_VornElement>& e)
{
    QStringList out;
    for (qint32 i = 1; i <= e->ATTRIBUTES()->COUNT(); ++i)
        out << e->ATTRIBUTES()->NAME(i);
    return out;
}

// BOX: optional ID (text) and N (any value). T: A fixed (default 7), B required LONG, C LONG
// (default 42). TYPES: one attribute per data type. The rest carry parent rules only.
inline Ref<cls_VornStructure> fixture()
{
    auto s = cls_VornStructure::create();
    auto& defs = *s->DEFINITIONS();
    auto box = defs.CREATE("BOX");
    box->ATTRIBUTES()->CREATE("ID", TypeString);
    box->ATTRIBUTES()->CREATE("N", TypeAtomic);
    auto t = defs.CREATE("T");
    t->ATTRIBUTES()->CREATE("A", TypeLong, 7)->setFIXED(true);
    t->ATTRIBUTES()->CREATE("B", TypeLong, QString(), true);
    t->ATTRIBUTES()->CREATE("C", TypeLong, 42);
    defs.CREATE("P");
    defs.CREATE("Q");
    auto types = defs.CREATE("TYPES");
    for (const auto& [name, type] :
         { std::pair("S", TypeString), { "D", TypeDouble }, { "B", TypeBool }, { "T", TypeDate }, { "C", TypeColor } })
        types->ATTRIBUTES()->CREATE(name, type);
    defs.CREATE("TOP")->PARENTSALLOWED()->ADD("NONE");
    defs.CREATE("LOWTOP")->PARENTSALLOWED()->ADD("none"); // the rule compares "NONE" exactly
    defs.CREATE("LISTED")->PARENTSALLOWED()->ADD("P");
    auto both = defs.CREATE("BOTH");
    both->PARENTSALLOWED()->ADD("P");
    both->PARENTSALLOWED()->ADD("Q");
    both->PARENTCLONESALLOWED()->ADD("K");
    auto derived = defs.CREATE("DERIVED");
    derived->PARENTCLONESALLOWED()->ADD("K");
    derived->ATTRIBUTES()->CREATE("R", TypeLong, QString(), true);
    return s;
}

// Element numbers are unique, and ELEMENT and ELEMENTPARENT find each element and its parent by it.
inline void expectNumbered(cls_VornStructure& s)
{
    QSet<qint32> seen;
    walkElements(s.ELEMENTS()->entries(), {}, [&](const Ref<cls_VornElement>& e, const Ref<cls_VornElement>& parent) {
        EXPECT_FALSE(seen.contains(e->UID())) << "UID " << e->UID() << " repeats";
        seen.insert(e->UID());
        EXPECT_EQ(s.ELEMENT(Variant(e->UID())), e) << "UID " << e->UID();
        EXPECT_EQ(s.ELEMENTPARENT(Variant(e->UID())), parent) << "UID " << e->UID();
        return false;
    });
}

// A structure with definitions, a value list, nested elements, element and structure errors.
inline Ref<cls_VornStructure> sampleStructure()
{
    auto s = cls_VornStructure::create();
    s->PARSE(
        "BEGIN ENUMERATION NAME=\"KIND\"\n  ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
        "BEGIN ELEMENT NAME=\"NODE\"\n  STRING NAME=\"ID\", REQUIRED=no\n  STRING NAME=\"TEXT\", REQUIRED=no, "
        "DEFAULT=\"t\"\n"
        "  ENUM ENUMID=\"KIND\", NAME=\"K\", REQUIRED=no, DEFAULT=\"A\"\nEND\n"
        "BEGIN NODE \"ROOT\", TEXT=\"Grüße €\"\n  NODE \"CHILD\", K=\"A\"\nEND\nNODE \"BAD\", Q=1\nEND");
    s->setROOT("/some/root/");
    s->INCLUDEFOLDERS()->ADD("/inc/");
    s->DATA().setKEY("KEY1");
    s->setSOURCE("not persisted");
    return s;
}

// The list PARSE fills, for a script read into `s`.
inline QStringList parseList(const Ref<cls_VornStructure>& s, const QString& script)
{
    auto list = CoreList::create();
    s->PARSE(script, list);
    return list->items();
}

inline QString undefined(const QString& type)
{
    return "Der Element-Typ '" + type
        + "' ist in dieser Struktur nicht definiert. Evtl. müssen Sie erst eine Definitions-Datei mit INCLUDE "
          "einbinden oder den Element-Typ mit BEGIN ELEMENT '"
        + type + "' definieren.";
}
inline QString invalid(const QString& line, const QString& c)
{
    return "Die Zeile '" + line + "' enthält ungültige Zeichen: " + c;
}
inline QString notFound(const QString& file) { return "Include-Datei '" + file + "' nicht gefunden!"; }
inline QString notParsed(const QString& path) { return "Fehler beim Parsen der Include-Datei '" + path + "'"; }
inline const QString Unclosed = QStringLiteral("Das Element wurde nicht ordentlich mit END abgeschlossen!");

} // namespace support
