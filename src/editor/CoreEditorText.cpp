// The text: line ends made uniform, the whole text kept up to date edit by edit, replacing
// only what differs, and the document part.

#include "CoreEditorPrivate.h"

#include <cmath>

namespace vorn {

namespace {

// Resets a flag when the scope ends, also by a failure.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

QString CoreEditorPrivate::normalise(const QString& text)
{
    const auto isBreak = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1;
    };
    if (std::none_of(text.begin(), text.end(), isBreak))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        out.append(isBreak(c) ? QChar(u'\n') : c);
    }
    return out;
}

QString CoreEditorPrivate::textOf(int position, int length) const
{
    if (length <= 0)
        return QString();
    QTextCursor c(doc.get());
    c.setPosition(position);
    c.setPosition(position + length, QTextCursor::KeepAnchor);
    QString s = c.selectedText();
    s.replace(QChar::ParagraphSeparator, u'\n');
    return s;
}

QString CoreEditorPrivate::currentText() const
{
    if (!textValid) {
        text = doc->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        textValid = true;
    }
    return text;
}

void CoreEditorPrivate::contentsChanged(int position, int removed, int added)
{
    followLineShift(position);
    if (settingText)
        return;
    modified = true;
    if (!textValid)
        return;
    // Patch the kept text; anything that does not add up is rebuilt on the next read.
    const int length = doc->characterCount() - 1;
    if (position < 0 || removed < 0 || added < 0 || position + removed > text.size() || position + added > length
        || text.size() - removed + added != length) {
        textValid = false;
        text = QString();
        return;
    }
    const QString inserted = textOf(position, added);
    if (text.isDetached()) {
        text.replace(position, removed, inserted);
        return;
    }
    // The kept text is shared with the undo snapshot: build the new one in a single pass
    // instead of copying it whole and then moving its tail.
    QString patched;
    patched.reserve(text.size() - removed + added);
    patched.append(QStringView(text).first(position))
        .append(inserted)
        .append(QStringView(text).sliced(position + removed));
    text = std::move(patched);
}

void CoreEditorPrivate::replaceText(const QString& normalised)
{
    const QString old = currentText();
    if (old == normalised)
        return;
    // Only the part between the common start and end changes.
    const qsizetype n1 = old.size();
    const qsizetype n2 = normalised.size();
    const qsizetype shorter = qMin(n1, n2);
    const QChar* a = old.constData();
    const QChar* b = normalised.constData();
    qsizetype prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && a[n1 - 1 - suffix] == b[n2 - 1 - suffix])
        ++suffix;
    const bool wasEmpty = n1 == 0;
    {
        FlagScope scope(settingText);
        QTextCursor c(doc.get());
        c.setPosition(int(prefix));
        c.setPosition(int(n1 - suffix), QTextCursor::KeepAnchor);
        const QString middle = normalised.mid(prefix, n2 - suffix - prefix);
        if (middle.isEmpty())
            c.removeSelectedText();
        else
            c.insertText(middle);
    }
    text = normalised;
    textValid = true;
    // The cursor goes where the text changed; into a fresh document at the start.
    cursor.setPosition(wasEmpty ? 0 : int(n2 - suffix));
    preferredX = -1;
    if (!wasEmpty)
        ensureCursorVisible();
    repaint();
}

qint32 CoreEditorPrivate::lineCount() const { return qMax(1, doc->blockCount()); }

QTextBlock CoreEditorPrivate::blockAtRow(qint32 row) const { return doc->findBlockByNumber(row - 1); }

QString CoreEditorDocument::text() const { return d.currentText(); }

void CoreEditorDocument::setText(const QString& text) { d.replaceText(CoreEditorPrivate::normalise(text)); }

qint32 CoreEditorDocument::lineCount() const { return d.lineCount(); }

qint32 CoreEditorDocument::lineWidth(qint32 line) const
{
    if (line < 1 || line > d.lineCount())
        return 0;
    const QTextBlock block = d.blockAtRow(line);
    if (!block.isValid())
        return 0;
    return int(std::ceil(d.textOrigin() + d.naturalWidth(block))) + CoreEditorPrivate::Padding;
}

bool CoreEditorDocument::isModified() const { return d.modified; }

void CoreEditorDocument::setModified(bool modified) { d.modified = modified; }

void CoreEditorDocument::insert(const CoreEditorPosition& position, const QString& text)
{
    const QString t = CoreEditorPrivate::normalise(text);
    d.cursor.clearSelection();
    if (t.isEmpty())
        return;
    QTextCursor c(d.doc.get());
    c.setPosition(qBound(0, position.offset, d.doc->characterCount() - 1));
    c.insertText(t);
    d.afterEdit();
}

QTextDocument* CoreEditorDocument::textDocument() const { return d.doc.get(); }

} // namespace vorn
