#pragma once
// The language commands the check carries out once a command block has validated cleanly.

#include <vorn/Structure.h>

namespace vorn {

// ELEMENT, MODIFY and CLONE with their sub-blocks.
bool runDefinitionCommand(cls_VornElement& block, cls_VornStructure& structure, const QString& command);
// ENUMERATION with its ENUMITEM children.
bool runEnumerationCommand(cls_VornElement& block, cls_VornStructure& structure);
// INCLUDE of another script file.
bool runIncludeCommand(cls_VornElement& block, cls_VornStructure& structure);

// A value as the messages and commands take it: its plain text, or a readable form for values
// without one (arrays, objects).
QString plainText(const Variant& value);
// The text of a named attribute value of a block ("" when absent).
QString attributeText(cls_VornElement& block, const char16_t* name);

const QString& errorMarker(); // "!ERROR!"

} // namespace vorn
