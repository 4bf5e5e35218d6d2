#pragma once
// Pieces of the reader that the commands share.

#include <vorn/Variant.h>

#include <functional>

namespace vorn {

// Converts one value text of a script line: "_EMPTY_" for nothing, quoted texts, numbers,
// Boolean words, ID_ references and parenthesised arrays; anything else is reported through
// `error` and gives the empty value.
Variant readValue(const QString& text, const std::function<void(const QString&)>& error);

} // namespace vorn
