#include "ViewerIcons.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QStyle>

// Resources of a static library are only linked in when something names them.
static void initViewerResources() { Q_INIT_RESOURCE(viewer_icons); }

namespace vorn {
namespace {

struct Fallback {
    const char* theme;
    QStyle::StandardPixmap standard;
};

// By the file's base name, for icons the library does not ship.
const QHash<QString, Fallback>& fallbacks()
{
    static const QHash<QString, Fallback> table{
        { QStringLiteral("DATABASE"), { "drive-harddisk", QStyle::SP_DriveHDIcon } },
        { QStringLiteral("OK"), { "dialog-ok", QStyle::SP_DialogOkButton } },
        { QStringLiteral("PROPERTIES"), { "document-properties", QStyle::SP_FileDialogDetailedView } },
        { QStringLiteral("ABORT"), { "dialog-error", QStyle::SP_MessageBoxCritical } },
        { QStringLiteral("INFORMATION"), { "dialog-information", QStyle::SP_MessageBoxInformation } },
        { QStringLiteral("BLOCKS"), { "applications-games", QStyle::SP_FileDialogListView } },
        { QStringLiteral("COMPUTER"), { "computer", QStyle::SP_ComputerIcon } },
    };
    return table;
}

} // namespace

QIcon viewerIcon(const QString& relativePath)
{
    static const bool initialised = (initViewerResources(), true);
    Q_UNUSED(initialised);

    QString path = relativePath.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    const QString shipped = QStringLiteral(":/vorn/viewer/") + info.path() + QLatin1Char('/') + info.completeBaseName()
        + QStringLiteral(".png");
    if (QFileInfo::exists(shipped))
        return QIcon(shipped);

    const auto it = fallbacks().constFind(info.completeBaseName().toUpper());
    if (it == fallbacks().constEnd())
        return {};
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(it->theme));
    if (!themed.isNull())
        return themed;
    if (QApplication::instance() && qobject_cast<QApplication*>(QApplication::instance()))
        return QApplication::style()->standardIcon(it->standard);
    return {};
}

} // namespace vorn
