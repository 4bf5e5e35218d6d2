#pragma once
// Where the component tells about failures it does not raise: a LOAD or SAVE that answers False,
// a paint or an input event of a widget that failed. Silent by default below warnings; turn
// them on with QT_LOGGING_RULES="vorn.*=true".

#include <vorn/Object.h>

#include <QLoggingCategory>

#include <exception>

namespace vorn {

Q_DECLARE_LOGGING_CATEGORY(lcFiles)  // "vorn.files": LOAD and SAVE of scripts and records
Q_DECLARE_LOGGING_CATEGORY(lcEditor) // "vorn.editor": the editor control
Q_DECLARE_LOGGING_CATEGORY(lcViewer) // "vorn.viewer": the structure viewer

// The text of a failure: a vorn::Error's description, otherwise what() says.
inline QString failureText(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace vorn
