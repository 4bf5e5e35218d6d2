#pragma once
// The editor window of `vorn edit [FILE]`.

#include <QString>

namespace vorn {

// Opens the editor window on FILE (empty: a new script; a missing file is created on saving)
// and runs the event loop until the window closes; answers the exit code. Creates the
// QApplication unless one exists. Without a display it prints a hint and answers 2.
int runEditor(int argc, char** argv, const QString& file);

} // namespace vorn
