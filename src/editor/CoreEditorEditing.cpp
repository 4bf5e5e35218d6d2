// Editing keys: typing (and overwriting), Enter with indentation, Tab and Shift+Tab on the
// cursor or on whole lines, Backspace and Delete by character or word.

#include "CoreEditorPrivate.h"
#include "EditorCharacters.h"

namespace vorn {

QString CoreEditorPrivate::indentUnit() const
{
    const auto& o = options->values();
    return o.spacesForTab ? QString(o.tabWidth, u' ') : QStringLiteral("\t");
}

void CoreEditorPrivate::insertTyped(const QString& typed)
{
    if (overwrite && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.insertText(typed);
    afterEdit();
}

void CoreEditorPrivate::newLine()
{
    const auto& o = options->values();
    QString indent;
    const QString line = cursor.block().text();
    const int column = cursor.positionInBlock();
    if (o.autoIndent) {
        int i = 0;
        while (i < column && i < line.size() && isBlank(line[i]))
            ++i;
        indent = line.left(i);
    }
    if (o.indentAfterBegin) {
        const QString before = line.left(column).trimmed();
        qsizetype word = 0;
        while (word < before.size() && !isBlank(before[word]))
            ++word;
        if (vocabulary::isBegin(QStringView(before).first(word)))
            indent += indentUnit();
    }
    cursor.insertText(QStringLiteral("\n") + indent);
    afterEdit();
}

void CoreEditorPrivate::tab(bool outdent)
{
    const int tabWidth = options->values().tabWidth;
    QTextBlock first = doc->findBlock(cursor.selectionStart());
    QTextBlock last = doc->findBlock(cursor.selectionEnd());
    // A selection across a line break works on whole lines; one that ends at the start of a
    // line leaves that line alone.
    const bool lines = cursor.hasSelection() && first != last;
    if (lines && cursor.selectionEnd() == last.position())
        last = last.previous();
    if (!lines && !outdent) {
        if (options->values().spacesForTab) {
            // Up to the next tab stop, counting a tab character as reaching its stop.
            const QString before = cursor.block().text().left(cursor.positionInBlock());
            int column = 0;
            for (QChar c : before)
                column = c == u'\t' ? (column / tabWidth + 1) * tabWidth : column + 1;
            insertTyped(QString(tabWidth - column % tabWidth, u' '));
        } else {
            insertTyped(QStringLiteral("\t"));
        }
        return;
    }
    QTextCursor edit(doc.get());
    edit.beginEditBlock();
    for (QTextBlock b = first;; b = b.next()) {
        if (outdent) {
            const QString text = b.text();
            int n = 0;
            if (text.startsWith(u'\t'))
                n = 1;
            else
                while (n < tabWidth && n < text.size() && text[n] == u' ')
                    ++n;
            if (n > 0) {
                edit.setPosition(b.position());
                edit.setPosition(b.position() + n, QTextCursor::KeepAnchor);
                edit.removeSelectedText();
            }
        } else if (b.length() > 1) {
            edit.setPosition(b.position());
            edit.insertText(indentUnit());
        }
        if (b == last)
            break;
    }
    edit.endEditBlock();
    if (lines) {
        cursor.setPosition(first.position());
        cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    }
    afterEdit();
}

void CoreEditorPrivate::backspace(bool word)
{
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    } else if (word) {
        const int to = cursor.position();
        cursor.setPosition(wordStart(to));
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        const QString line = cursor.block().text();
        const int column = cursor.positionInBlock();
        const int tabWidth = options->values().tabWidth;
        const bool blanksOnly = column > 0
            && std::all_of(line.begin(), line.begin() + column, [](QChar c) { return c == u' '; });
        if (options->values().spacesForTab && blanksOnly) {
            // In the indentation, back to the previous tab stop.
            const int to = ((column - 1) / tabWidth) * tabWidth;
            cursor.setPosition(cursor.block().position() + to, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        } else {
            cursor.deletePreviousChar();
        }
    }
    afterEdit();
}

void CoreEditorPrivate::deleteForward(bool word)
{
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    } else if (word) {
        const int from = cursor.position();
        cursor.setPosition(wordEnd(from), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.deleteChar();
    }
    afterEdit();
}

} // namespace vorn
