#pragma once
// Blanks and word characters as the editor's word moves, indentation and colouring see them.

#include <QChar>

namespace vorn {

inline bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

inline bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace vorn
