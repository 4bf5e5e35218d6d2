#include "VornHighlighter.h"
#include "core/Vocabulary.h"

#include <vorn/CoreServices.h>

namespace vorn {

using vocabulary::isBlank;
using vocabulary::isNameChar;

VornHighlighter::VornHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void VornHighlighter::setStyle(const CoreEditorStyle& style)
{
    for (int i = 0; i < CoreEditorStyle::CategoryCount; ++i) {
        const auto f = style.format(CoreEditorStyle::Category(i));
        QTextCharFormat format;
        if (f.color.isValid())
            format.setForeground(f.color);
        format.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(f.italic);
        m_formats[i] = format;
        m_source[i] = f;
    }
}

bool VornHighlighter::differsFrom(const CoreEditorStyle& style) const
{
    for (int i = 0; i < CoreEditorStyle::CategoryCount; ++i)
        if (!(m_source[i] == style.format(CoreEditorStyle::Category(i))))
            return true;
    return false;
}

void VornHighlighter::highlightBlock(const QString& text)
{
    const int carried = qMax(0, previousBlockState());
    const int n = int(text.size());
    int i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    // Comment and empty lines are dropped before continuation lines are joined, so they pass
    // the open state on unchanged.
    if (i == n || (!(carried & InQuote) && vocabulary::isCommentLine(QStringView(text).sliced(i)))) {
        if (i < n)
            setFormat(i, n - i, m_formats[CoreEditorStyle::Comment]);
        setCurrentBlockState(carried);
        return;
    }

    const auto& f = m_formats;
    bool inQuote = carried & InQuote;
    bool inParens = carried & InParentheses;
    // Words at the start of a logical line: command word, then type word.
    bool lineStart = !(carried & Continues);
    bool afterCommand = false;
    bool afterEquals = false;

    int pos = 0;
    if (inQuote) {
        const int close = int(text.indexOf(vocabulary::Quote));
        const int end = close < 0 ? n : close + 1;
        setFormat(0, end, f[CoreEditorStyle::Text]);
        pos = end;
        inQuote = close < 0;
    }
    while (pos < n) {
        const QChar c = text[pos];
        if (c == vocabulary::Quote) {
            const int close = int(text.indexOf(vocabulary::Quote, pos + 1));
            const int end = close < 0 ? n : close + 1;
            setFormat(pos, end - pos, f[CoreEditorStyle::Text]);
            inQuote = close < 0;
            pos = end;
            lineStart = false;
            afterEquals = false;
            continue;
        }
        if (c == vocabulary::ArrayOpen) {
            inParens = true;
            ++pos;
            continue;
        }
        if (c == vocabulary::ArrayClose) {
            inParens = false;
            ++pos;
            continue;
        }
        if (c == vocabulary::Assign) {
            afterEquals = true;
            ++pos;
            continue;
        }
        if (!isNameChar(c)) {
            if (c == vocabulary::Separator)
                afterEquals = false;
            ++pos;
            continue;
        }
        int end = pos;
        while (end < n && isNameChar(text[end]))
            ++end;
        const QStringView word = QStringView(text).sliced(pos, end - pos);
        int next = end;
        while (next < n && isBlank(text[next]))
            ++next;
        const bool namesAttribute = !inParens && next < n && text[next] == vocabulary::Assign;

        if (namesAttribute) {
            setFormat(pos, end - pos, f[CoreEditorStyle::Attribute]);
            lineStart = false;
            afterCommand = false;
        } else if (lineStart && !afterEquals && (vocabulary::isBegin(word) || vocabulary::isEnd(word))) {
            setFormat(pos, end - pos, f[CoreEditorStyle::Keyword]);
            lineStart = false;
            afterCommand = true;
        } else if ((lineStart || afterCommand) && !afterEquals) {
            setFormat(pos, end - pos, f[CoreEditorStyle::Type]);
            lineStart = false;
            afterCommand = false;
        } else {
            bool number = false;
            CoreServices::readNumber(word, &number);
            if (number)
                setFormat(pos, end - pos, f[CoreEditorStyle::Number]);
            else if (vocabulary::booleanWord(word))
                setFormat(pos, end - pos, f[CoreEditorStyle::Boolean]);
            else if (word.startsWith(vocabulary::ReferencePrefix))
                setFormat(pos, end - pos, f[CoreEditorStyle::Reference]);
            afterEquals = false;
        }
        pos = end;
    }

    // A line ending in "," or "..." goes on in the next line.
    int last = n - 1;
    while (last >= 0 && isBlank(text[last]))
        --last;
    const QStringView trimmed = QStringView(text).first(last + 1);
    const bool continues = trimmed.endsWith(vocabulary::Separator) || trimmed.endsWith(vocabulary::Continuation);
    int state = 0;
    if (continues) {
        state = Continues;
        if (inQuote)
            state |= InQuote;
        if (inParens)
            state |= InParentheses;
    }
    setCurrentBlockState(state);
}

} // namespace vorn
