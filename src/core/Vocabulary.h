#pragma once
// The language's own words and marks, known once for the reader, the writer, the value
// conversions and the editor's highlighter: keywords, Boolean words, comment markers,
// separators, name characters and the markers the engine uses inside a structure.

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace vorn::vocabulary {

// Block keywords, compared without regard to case.
inline constexpr QStringView Begin = u"BEGIN";
inline constexpr QStringView End = u"END";

bool isBegin(QStringView word);
bool isEnd(QStringView word);

// A reference to an element by its ID: ID_ followed by the ID.
inline constexpr QStringView ReferencePrefix = u"ID_";
// A value written without content, which counts as not given.
inline constexpr QStringView EmptyValue = u"_EMPTY_";
// The types the engine gives to blocks that leave no element behind: declarations and includes.
inline constexpr QStringView DeclarationSort = u"_NONE_";
inline constexpr QStringView IncludeSort = u"_INCLUDE_";

inline constexpr QChar Assign = u'=';
inline constexpr QChar Separator = u',';
inline constexpr QChar Quote = u'"';
inline constexpr QChar ArrayOpen = u'(';
inline constexpr QChar ArrayClose = u')';
// A line ending in the separator or in this goes on in the next line (which the three dots
// themselves do not join).
inline constexpr QStringView Continuation = u"...";

// True for the words of the Boolean data type (any case), false for the false ones.
std::optional<bool> booleanWord(QStringView word);

// A whole comment line, once its leading blanks are gone: "#", "//", "'" or "REM " in any case.
bool isCommentLine(QStringView line);

// The characters of type, attribute and value-list names.
inline constexpr std::array<bool, 128> NameChars = [] {
    std::array<bool, 128> table{};
    for (char16_t u = 0; u < 128; ++u)
        table[u] = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '.'
            || u == '-';
    return table;
}();
inline bool isNameChar(QChar c) { return c.unicode() < 128 && NameChars[c.unicode()]; }

// The blanks between tokens (tabs count as spaces).
inline bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

} // namespace vorn::vocabulary
