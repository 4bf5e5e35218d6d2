#pragma once
// What the window commands (`vorn view`, `vorn edit`) check before they create a QApplication.

#include <QString>

namespace vornapp {

// Whether Qt can reach a display; Qt itself aborts when it cannot. Sets `why` when not.
bool displayReachable(QString& why);

// Prints "command: message" on standard error.
void complain(const QString& command, const QString& message);

} // namespace vornapp
