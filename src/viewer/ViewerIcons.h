#pragma once
// Icons named by the relative paths of the dialog ("Ico\20\Computer\Signs\OK.ico").

#include <QIcon>
#include <QString>

namespace vorn {

// The icon shipped with the library for the path, else a theme or standard icon of the same
// meaning, else an empty icon: a missing icon never stops a control from showing.
QIcon viewerIcon(const QString& relativePath);

} // namespace vorn
