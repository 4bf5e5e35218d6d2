#include "core/Vocabulary.h"
#include "core/TextKeys.h"

namespace vorn::vocabulary {

namespace {
// Case folding maps one code unit to one: words of other lengths never match.
// The keywords are ASCII capitals: an ASCII word is compared by upper-casing its letters.
bool sameWord(QStringView word, QStringView keyword)
{
    if (word.size() != keyword.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t u = word[i].unicode();
        if (u >= 0x80)
            return word.compare(keyword, Qt::CaseInsensitive) == 0;
        if ((u >= u'a' && u <= u'z' ? char16_t(u - 32) : u) != keyword[i].unicode())
            return false;
    }
    return true;
}
} // namespace

bool isBegin(QStringView word) { return sameWord(word, Begin); }

bool isEnd(QStringView word) { return sameWord(word, End); }

// Upper-cased rather than folded, as every other comparison of values: "YEſ" is YES.
std::optional<bool> booleanWord(QStringView word)
{
    // Letters outside ASCII can upper-case to these words too: those take the full mapping.
    bool ascii = true;
    for (const QChar c : word)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii && (word.size() < 2 || word.size() > 5))
        return std::nullopt;
    char16_t capitals[5];
    if (ascii)
        for (qsizetype i = 0; i < word.size(); ++i) {
            const char16_t u = word[i].unicode();
            capitals[i] = u >= u'a' && u <= u'z' ? char16_t(u - 32) : u;
        }
    const QString upper = ascii ? QString() : word.toString().toUpper();
    const QStringView w = ascii ? QStringView(capitals, word.size()) : QStringView(upper);
    const auto is = [&](QStringView t) { return w == t; };
    if (w.size() < 2 || w.size() > 5)
        return std::nullopt;
    // Views of known length: the sizes decide most comparisons without looking at a letter.
    static constexpr QStringView TrueWords[] = { u"WAHR", u"TRUE", u"YES", u"OK", u"JA" };
    static constexpr QStringView FalseWords[] = { u"NO", u"FALSE", u"NEIN" };
    for (const QStringView t : TrueWords)
        if (is(t))
            return true;
    for (const QStringView f : FalseWords)
        if (is(f))
            return false;
    return std::nullopt;
}

bool isCommentLine(QStringView line)
{
    // Nearly every line starts with a letter of a word that is no comment: one look decides.
    if (line.isEmpty())
        return false;
    const char16_t first = line.front().unicode();
    if (first < 0x80 && first != u'#' && first != u'/' && first != u'\'' && first != u'R' && first != u'r')
        return false;
    return line.startsWith(u'#') || line.startsWith(u"//") || line.startsWith(u'\'')
        || (line.size() >= 4 && sameWord(line.first(4), u"REM "));
}

} // namespace vorn::vocabulary
