#include <vorn/viewer/Viewer.h>

#include <vorn/viewer/frm_DialogVornViewer.h>

namespace vorn {

void installViewer()
{
    cls_VornStructure::setViewerHook(
        [](const Ref<cls_VornStructure>& structure, bool modal, qint32 startView, const Variant& preselect) {
            frm_DialogVornViewer::openViewer(structure, modal, startView, preselect);
        });
}

} // namespace vorn
