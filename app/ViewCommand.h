#pragma once
// `vorn view`: a script file in the structure viewer, or rendered into a picture.

#include <vorn/Structure.h>

#include <QStringList>

namespace vornapp {

// Reads the script file ("-" is standard input) as `vorn check` does and shows the viewer until
// it is closed. startPage as for VIEW (-1 chooses by the structure). preselect: a whole number
// above 0 selects the element with that UID, any other text the element definition of that
// name. With screenshotPath the window is rendered offscreen into that PNG file instead, and no
// display is needed. Answers 0, or 2 with a message on standard error when the file cannot be
// read, there is no display or the picture cannot be written.
int runViewer(int argc, char** argv, const QString& file, const QStringList& includeFolders,
              int startPage = vorn::ID_VornInspectorView_Auto, const QString& preselect = QString(),
              const QString& screenshotPath = QString());

} // namespace vornapp
