#include "ViewCommand.h"
#include "Display.h"

#include <vorn/ScriptFile.h>
#include <vorn/viewer/frm_DialogVornViewer.h>

#include <QApplication>
#include <QPixmap>

#include <memory>

namespace vornapp {

using namespace vorn;

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 2;
const QString Command = QStringLiteral("vorn view");

Variant preselection(const QString& text)
{
    bool isNumber = false;
    const qint32 uid = text.toInt(&isNumber);
    if (isNumber && uid > 0)
        return uid;
    return text;
}

} // namespace

int runViewer(int argc, char** argv, const QString& file, const QStringList& includeFolders, int startPage,
              const QString& preselect, const QString& screenshotPath)
{
    const bool screenshot = !screenshotPath.isEmpty();
    // The script first: a file that cannot be read needs no window system.
    const ScriptFile script = ScriptFile::read(file, { includeFolders });
    if (!script.isOpen()) {
        complain(Command, script.failure());
        return ExitFailure;
    }
    const Ref<cls_VornStructure>& structure = script.structure();

    std::unique_ptr<QApplication> ownApp;
    int appArgc = argc; // QApplication keeps a reference to it
    if (!QCoreApplication::instance()) {
        if (screenshot)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QString why;
        if (!screenshot && !displayReachable(why)) {
            complain(Command,
                     why
                         + QStringLiteral(".\nRun it under a display server (for example xvfb-run vorn view FILE), "
                                          "set QT_QPA_PLATFORM=offscreen, or write a picture with "
                                          "vorn view --screenshot OUT.png FILE."));
            return ExitFailure;
        }
        ownApp = std::make_unique<QApplication>(appArgc, argv);
    } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        complain(Command, QStringLiteral("the viewer needs a QApplication"));
        return ExitFailure;
    }

    if (startPage == ID_VornInspectorView_Auto)
        startPage = structure->ELEMENTS()->COUNT(false) >= 1 ? ID_VornInspectorView_Elements
                                                             : ID_VornInspectorView_Definitions;

    frm_DialogVornViewer dialog;
    dialog.setStructure(structure);
    dialog.setStartPage(startPage);
    dialog.setPreselection(preselect.isEmpty() ? Variant(QString()) : preselection(preselect));
    if (screenshot) {
        dialog.setAttribute(Qt::WA_DontShowOnScreen);
        dialog.show();
        QApplication::processEvents();
        QApplication::processEvents();
        if (!dialog.grab().save(screenshotPath, "PNG")) {
            complain(Command, QStringLiteral("%1: the picture cannot be written").arg(screenshotPath));
            return ExitFailure;
        }
        return ExitOk;
    }
    dialog.exec();
    return ExitOk;
}

} // namespace vornapp
