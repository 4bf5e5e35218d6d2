#pragma once
// Pieces of the reader that the commands share.

#include <vorn/Variant.h>

#include <cstdint>
#include <functional>

namespace vorn {

class TextPool;

// How a value stands in its line: as written, between quotes (the text inside them) or between
// parentheses (the text inside them).
enum class ValueForm : std::uint8_t { Plain, Quoted, Array };

// Converts one value of a script line: "_EMPTY_" for nothing, quoted texts, numbers, Boolean
// words, ID_ references and parenthesised arrays; anything else is reported through `error`
// and gives the empty value. Texts are copied into `pool` when one is given.
Variant readValue(QStringView text, ValueForm form, const std::function<void(const QString&)>& error,
                  TextPool* pool = nullptr);

// "_EMPTY_": a value written without content, which counts as not given.
const QString& emptyMarker();

// The name of the n-th value given without a name: "1", "2", ...
QString positionName(qint32 position);

} // namespace vorn
