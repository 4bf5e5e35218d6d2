// A host with a user interface: the script editor control and the structure viewer, from the
// installed package's vorn::editor and vorn::viewer. Runs offscreen; exits non-zero on a fault.
#include <vorn/editor/ctl_VornEdit.h>
#include <vorn/viewer/Viewer.h>

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vorn::installViewer(); // the editor's "Struktur anzeigen" opens the viewer

    vorn::ctl_VornEdit editor;
    editor.setCONTENT(QStringLiteral("BEGIN ELEMENT POINT\nEND\n"));
    const bool fresh = !editor.CHANGED() && editor.CONTENT().startsWith(QStringLiteral("BEGIN ELEMENT POINT"));
    editor.EXECUTE(QStringLiteral("EDIT.MARKALL"));
    editor.EXECUTE(QStringLiteral("EDIT.DELETE"));
    const bool deleted = editor.CONTENT().trimmed().isEmpty();

    std::printf("%s editor control: set, select all, delete\n", fresh && deleted ? "ok  " : "FAIL");
    return fresh && deleted ? 0 : 1;
}
