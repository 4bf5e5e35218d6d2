// Copy, cut and paste through the clipboard as plain text.

#include "CoreEditorPrivate.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vorn {

void CoreEditorPrivate::copyToClipboard(bool cut)
{
    if (!cursor.hasSelection())
        return;
    QGuiApplication::clipboard()->setText(viewPart->selectedText());
    if (cut) {
        cursor.removeSelectedText();
        afterEdit();
    }
}

void CoreEditorPrivate::pasteFromClipboard()
{
    const QString text = normalise(QGuiApplication::clipboard()->text());
    if (!text.isEmpty())
        insertTyped(text);
}

} // namespace vorn
