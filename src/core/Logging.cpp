#include "core/Logging.h"

namespace vorn {

Q_LOGGING_CATEGORY(lcFiles, "vorn.files", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEditor, "vorn.editor", QtWarningMsg)
Q_LOGGING_CATEGORY(lcViewer, "vorn.viewer", QtWarningMsg)

} // namespace vorn
