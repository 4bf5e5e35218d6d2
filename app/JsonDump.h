#pragma once
// The structure as one JSON object, keys in a fixed order, UTF-8.

#include "JsonWriter.h"

#include <vorn/ScriptFile.h>

namespace vornapp {

// The whole dump, followed by a newline.
QByteArray dumpJson(const vorn::ScriptFile& script);

} // namespace vornapp
