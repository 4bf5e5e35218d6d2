#pragma once
// Syntax colouring of Vorn Script, one line (text block) at a time.

#include <vorn/editor/CoreEditor.h>

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace vorn {

class VornHighlighter final : public QSyntaxHighlighter {
public:
    explicit VornHighlighter(QTextDocument* document);

    // Takes the formats of a style; rehighlight() applies them to the text.
    void setStyle(const CoreEditorStyle& style);
    // Whether the formats differ from the style's.
    bool differsFrom(const CoreEditorStyle& style) const;

    // What a line leaves open for the next one (the block state).
    enum Carry { Continues = 1, InQuote = 2, InParentheses = 4 };

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat m_formats[CoreEditorStyle::CategoryCount];
    CoreEditorStyle::Format m_source[CoreEditorStyle::CategoryCount];
};

} // namespace vorn
