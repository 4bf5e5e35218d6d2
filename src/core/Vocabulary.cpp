#include "core/Vocabulary.h"
#include "core/TextKeys.h"

namespace vorn::vocabulary {

namespace {
bool sameWord(QStringView word, QStringView keyword) { return word.compare(keyword, Qt::CaseInsensitive) == 0; }
} // namespace

bool isBegin(QStringView word) { return sameWord(word, Begin); }

bool isEnd(QStringView word) { return sameWord(word, End); }

// Upper-cased rather than folded, as every other comparison of values: "YEſ" is YES.
std::optional<bool> booleanWord(const QString& word)
{
    const QString w = upperCased(word);
    for (const char16_t* t : { u"WAHR", u"TRUE", u"YES", u"OK", u"JA" })
        if (w == QStringView(t))
            return true;
    for (const char16_t* f : { u"NO", u"FALSE", u"NEIN" })
        if (w == QStringView(f))
            return false;
    return std::nullopt;
}

bool isCommentLine(QStringView line)
{
    return line.startsWith(u'#') || line.startsWith(u"//") || line.startsWith(u'\'')
        || (line.size() >= 4 && sameWord(line.first(4), u"REM "));
}

} // namespace vorn::vocabulary
