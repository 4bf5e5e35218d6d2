#pragma once
// Entry points of the viewer library: the engine's VIEW and the `vorn view` command.

#include <vorn/Structure.h>

#include <QString>
#include <QStringList>

namespace vorn {

// Makes cls_VornStructure::VIEW open the structure viewer (modal: until closed; modeless: the
// window deletes itself when closed). VIEW then needs a QApplication.
void installViewer();

// `vorn view FILE`: parses the script file ("-" reads standard input), with each of
// includeDirs as an include folder, and shows the viewer until it is closed. startPage as for
// VIEW (-1 chooses by the structure). preselect: a whole number above 0 selects the element
// with that UID, any other text the element definition of that name. With screenshotPath the
// window is rendered offscreen into that PNG file instead, and no display is needed.
// Returns 0, or 2 with a message on standard error when the file cannot be read, there is no
// display or the picture cannot be written.
int runViewer(int argc, char** argv, const QString& file, const QStringList& includeDirs,
              int startPage = ID_VornInspectorView_Auto, const QString& preselect = QString(),
              const QString& screenshotPath = QString());

} // namespace vorn
