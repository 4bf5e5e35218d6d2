// Every message the reader, the check and the commands give, one script per row.
#include "engine/Support.h"

using namespace support;

namespace {

struct Row {
    QString script;
    QStringList messages; // the PARSE list: structure texts first, then parents before children
};

} // namespace

TEST(MessagesTest, EveryMessageInItsPlace)
{
    const QString outside = "Die Zeile 'A=1' enthält Attribute außerhalb eines Elements";
    const QString stray = "Die Zeile 'END' schließt kein mit BEGIN geöffnetes Element";
    const QString derivedOnly = "Dieses Element darf nur unterhalb von Elemente definiert werden, die von folgenden "
                                "abgeleitet wurden: K";
    const Row rows[] = {
        // Reader: characters, quotes, structure of the lines.
        { "  BOX ID=\"x\" ä  ", { invalid("BOX ID=\"x\" ä", "ä") } },
        { "BOX ID= \"y\"", { misplaced("BOX ID= \"y\"", " ") } },
        { "BEGIN BOX ,1\nEND", { misplaced("BEGIN BOX ,1", ",") } },
        { "BEGIN BOX=1\nEND", { misplaced("BEGIN BOX=1", "="), undefined("BOX1") } }, // the type reads on
        { "BOX ID=\"z", { unterminated("BOX ID=\"z") } },
        { "BOX N=(1, 2", { unterminated("BOX N=(1, 2") } },
        { "BOX N=\"", {} }, // an empty unterminated quote leaves no token
        { "BOX ID=\"b\" ...\n# between\nN=2 ...\n$", { invalid("BOX ID=\"b\" N=2 $", "$") } },
        { "BEGIN BOX ID=\"o\"\nN=1 ä\nBOX ID=\"i\" $, N=zz\nEND",
          { invalid("N=1 ä", "ä"), invalid("BOX ID=\"i\" $, N=zz", "$"), unknownValue("zz") } },
        { "REMARK x\nREM a comment", { unknownValue("x"), undefined("REMARK") } },
        { "begin  BOX\nEND", { unknownValue("BOX"), "Jedes Element muss einen Typ haben" } },
        { "A=1\nBEGIN BOX ID=\"p\", Q=1\n  FOO\nEND\nEND\n   \nBAR\n",
          { outside, stray, leftOver("Q"), undefined("FOO"), undefined("BAR") } },
        { "BEGIN BOX\nBEGIN BOX\nBOX", { Unclosed, Unclosed } },
        // Check: values, fixed and required attributes, conversions.
        { "T 1, 2, 3", { leftOver("3") } },
        { "T 1, B=5", { leftOver("1") } }, // a named value beats a positional one
        { "T 1,,3", { leftOver("3") } },
        { "T C=\"_EMPTY_\", B=", { required("B") } },
        { "T Z=1, A=1, C=\"abc\", Y=\"q\"",
          { fixedGiven("A", "T"), required("B"), incompatible("C", "abc", "LONG"), leftOver("Z, A, Y") } },
        { "t A=2, B=1", { fixedGiven("A", "T"), leftOver("A") } }, // the declared name, not the SORT
        { "TYPES S=12, D=\"x\", B=7abc, T=\"2021-02-30\", C=\"#12345\"",
          { unknownValue("7abc"), incompatible("D", "x", "DOUBLE"), incompatible("T", "2021-02-30", "DATE"),
            incompatible("C", "#12345", "COLOR") } },
        // Check: parent rules.
        { "TOP\nBEGIN P\nTOP\nEND", { "Dieses Element muss auf der Hauptebene definiert werden!" } },
        { "LOWTOP", { onlyBelow("none") } },
        { "BEGIN P\nLISTED\nEND\nBEGIN Q\nLISTED\nEND", { onlyBelow("P") } },
        { "BEGIN T B=1\nBOTH\nEND",
          { onlyBelow("P, Q") + " oder Unterhalb von Elementen, die von folgenden abgeleitet wurden: K" } },
        { "BEGIN P\nDERIVED R=1\nEND", { derivedOnly } },
        { "BEGIN UNDEF\nDERIVED EXTRA=1\nEND", { undefined("UNDEF"), "Eltern-Element 'UNDEF' wurde nicht definiert!" } },
        { "DERIVED R=1", { "Eltern-Element '' wurde nicht definiert!" } },
        // Commands.
        { "BEGIN ELEMENT NAME=\"C4\", COLOR=\"#GG0000\"\nEND", { incompatible("COLOR", "#GG0000", "COLOR") } },
        { "BEGIN ELEMENT NAME=\"Q1\", ICON=xyz\nEND", { unknownValue("xyz") } },
        { "BEGIN ELEMENT NAME=\"Q2\"\nDESCRIPTION=\"d\" $\nEND", { invalid("DESCRIPTION=\"d\" $", "$") } },
        { "BEGIN MODIFY NAME=\"NOPE\"\nEND",
          { "MODIFY kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber 'NOPE' ist noch "
            "nicht definiert!" } },
        { "BEGIN MODIFY NAME=\"BOX\"\n  REQUIRE NAME=\"Q\"\nEND",
          { "Das Attribut 'Q' gibt es in dieserm Element-Typ nicht" } },
        { "BEGIN CLONE NAME=\"BOX\", CLONE=\"T\"\nEND", { "Es gibt bereits ein Element 'BOX'" } },
        { "BEGIN CLONE NAME=\"P2\", CLONE=\"NOPE\"\nEND",
          { "CLONE kann nur auf bereits mit ELEMENT definierte Elemente angewendet werden, aber 'NOPE' ist noch "
            "nicht definiert!" } },
        { "BEGIN ELEMENT NAME=\"E1\"\n  ENUM ENUMID=\"NOLIST\", NAME=\"C\"\nEND",
          { "Die Werte-Liste 'NOLIST' wurde in dieser Struktur nicht definiert und kann daher auch nicht als "
            "Datentyp für ein Attribut verwendet werden!" } },
        { "BEGIN ELEMENT NAME=\"HOST\"\n  LONG NAME=\"A\"\n  BOX\nEND", { "BOX ist kein gültiges Untererlement von 'ELEMENT'" } },
        { "BEGIN ELEMENT NAME=\"WRONG\"\n  FIX NAME=\"A\", VALUE=1\nEND", { onlyBelow("CLONE, MODIFY") } },
        { "BEGIN CLONE NAME=\"LOW\", CLONE=\"BOX\"\n  fix NAME=\"N\", VALUE=1\nEND",
          { "fix ist kein gültiges Untererlement von 'ELEMENT'" } },
        { "BEGIN ENUMERATION NAME=\"colors\"\n ENUMITEM NAME=\"red\", VALUE=1\nEND\n"
          "BEGIN ELEMENT NAME=\"LAMP\"\n ENUM ENUMID=\"colors\", NAME=\"C\"\nEND\n"
          "BEGIN MODIFY NAME=\"LAMP\"\n FIX NAME=\"C\", VALUE=\"pink\"\nEND",
          { "Der angegebene Wert '\"pink\"' ist kein Mitglied der Werte-Liste 'colors'!" } },
        { "BEGIN ENUMERATION NAME=\"L1\"\n ENUMITEM NAME=\"red\", VALUE=1\n ENUMITEM NAME=\"RED\", VALUE=2\nEND",
          { "Diese Enumeration enthält bereits ein Mitglied mit dem Namen 'RED'!" } },
        { "BEGIN ENUMERATION NAME=\"L1\"\nEND\nBEGIN ENUMERATION NAME=\"l1\"\nEND",
          { "Es gibt bereits eine Enumeration mit dem Namen l1 in dieser Struktur!" } },
        { "BEGIN ENUMERATION NAME=\"L2\"\n BOX\nEND", { "Eine Enumeration darf nur Unter-Elemente vom Typ ENUMITEM enthalten!" } },
        { "BEGIN ENUMERATION NAME=\"L3\"\n ENUMITEM NAME=\"A\", VALUE=1\nEND\n"
          "BEGIN ELEMENT NAME=\"LAMP\"\n ENUM ENUMID=\"L3\", NAME=\"C\"\nEND\nLAMP C=\"blue\"",
          { incompatible("C", "blue", "ENUM") } },
    };
    for (const Row& row : rows)
        EXPECT_EQ(parseList(fixture(), row.script), row.messages) << row.script.toStdString();
}
