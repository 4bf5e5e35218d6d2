#pragma once
// The scripts the viewer tests open.

#include <QString>

namespace viewertest {

// A value list, four types (one a clone with a fixed attribute, one allowed anywhere) and two
// houses; the lamp in the second house and the room after it carry errors.
inline const QString Houses = QStringLiteral(
    "BEGIN ENUMERATION NAME=\"COLOURS\", DESCRIPTION=\"Paint colours\"\n"
    "    ENUMITEM NAME=\"RED\", VALUE=1, DESCRIPTION=\"Warm\"\n"
    "    ENUMITEM NAME=\"BLUE\", VALUE=2\n"
    "END\n"
    "BEGIN ELEMENT NAME=\"HOUSE\", DESCRIPTION=\"A house\"\n"
    "    STRING NAME=\"ID\"\n"
    "    STRING NAME=\"NAME\", REQUIRED=no\n"
    "    PARENT \"NONE\"\n"
    "END\n"
    "BEGIN ELEMENT NAME=\"ROOM\"\n"
    "    STRING NAME=\"ID\"\n"
    "    ENUM NAME=\"PAINT\", ENUMID=\"COLOURS\", DEFAULT=\"BLUE\", REQUIRED=no\n"
    "    LONG NAME=\"SIZE\", DESCRIPTION=\"Square metres\"\n"
    "    PARENT \"HOUSE\"\n"
    "END\n"
    "BEGIN CLONE NAME=\"HALL\", CLONE=\"ROOM\"\n"
    "    FIX NAME=\"PAINT\", VALUE=\"RED\"\n"
    "END\n"
    "BEGIN ELEMENT NAME=\"LAMP\"\n"
    "    LONG NAME=\"WATT\", REQUIRED=no\n"
    "END\n"
    "BEGIN HOUSE \"h1\", NAME=\"Villa\"\n"
    "    ROOM \"r1\", SIZE=12\n"
    "    BEGIN HALL \"r2\", SIZE=20\n"
    "        LAMP WATT=60\n"
    "    END\n"
    "END\n"
    "BEGIN HOUSE \"h2\"\n"
    "    BEGIN ROOM \"r3\", SIZE=4\n"
    "        LAMP WATT=\"bright\"\n"
    "    END\n"
    "    ROOM \"r4\", SIZE=\"x\"\n"
    "END\n");

} // namespace viewertest
