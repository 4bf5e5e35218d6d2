#include "Display.h"

#include <QFileInfo>

#include <cstdio>

namespace vornapp {

bool displayReachable(QString& why)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        why = QStringLiteral("no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return false;
    }
    // A local display ":N" listens on a socket whose file is known; others are left to Qt.
    if (display.startsWith(QLatin1Char(':'))) {
        const QString number = display.mid(1).section(QLatin1Char('.'), 0, 0);
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + number)) {
            why = QStringLiteral("no display at %1").arg(display);
            return false;
        }
    }
    return true;
}

void complain(const QString& command, const QString& message)
{
    const QByteArray bytes = (command + QStringLiteral(": ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace vornapp
