#pragma once
// Entry point of the viewer library: the engine's VIEW.

#include <vorn/Structure.h>

namespace vorn {

// Makes cls_VornStructure::VIEW open the structure viewer (modal: until closed; modeless: the
// window deletes itself when closed). VIEW then needs a QApplication.
void installViewer();

} // namespace vorn
