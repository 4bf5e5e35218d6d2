#pragma once
// Blanks and word characters as the editor's word moves, indentation and colouring see them.

#include "core/Vocabulary.h"

#include <QChar>

namespace vorn {

inline bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

using vocabulary::isBlank;

} // namespace vorn
