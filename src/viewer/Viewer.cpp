#include <vorn/viewer/Viewer.h>

#include <vorn/CoreServices.h>
#include <vorn/viewer/frm_DialogVornViewer.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

#include <cstdio>
#include <memory>

namespace vorn {
namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 2;

void complain(const QString& message)
{
    const QByteArray bytes = (QStringLiteral("vorn view: ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString withSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Whether Qt can reach a display; Qt itself aborts when it cannot.
bool displayReachable(QString& why)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        why = QStringLiteral("no display (DISPLAY is not set)");
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

Ref<cls_VornStructure> parseFile(const QString& file, const QStringList& includeDirs, QString& failure)
{
    Ref<cls_VornStructure> structure = cls_VornStructure::create();
    QString text;
    if (file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            failure = QStringLiteral("cannot read standard input");
            return {};
        }
        text = CoreServices::decodeText(in.readAll());
        structure->setROOT(withSeparator(QDir::currentPath()));
    } else {
        const QFileInfo info(file);
        if (!info.isFile()) {
            failure = QStringLiteral("%1: no such file").arg(file);
            return {};
        }
        structure->setROOT(withSeparator(info.absolutePath()));
        try {
            text = CoreServices::instance().readTextFile(file);
        } catch (const Error& e) {
            failure = QStringLiteral("%1: cannot be read: %2").arg(file, e.description());
            return {};
        }
    }
    structure->setSOURCE(file);
    for (const QString& dir : includeDirs)
        structure->INCLUDEFOLDERS()->ADD(withSeparator(dir));
    IncludeScope scope(file);
    structure->PARSE(text);
    return structure;
}

Variant preselection(const QString& text)
{
    bool isNumber = false;
    const qint32 uid = text.toInt(&isNumber);
    if (isNumber && uid > 0)
        return uid;
    return text;
}

} // namespace

void installViewer()
{
    cls_VornStructure::setViewerHook([](const Ref<cls_VornStructure>& structure, bool modal, qint32 startView,
                                        const Variant& preselect) {
        frm_DialogVornViewer::openViewer(structure, modal, startView, preselect);
    });
}

int runViewer(int argc, char** argv, const QString& file, const QStringList& includeDirs, int startPage,
              const QString& preselect, const QString& screenshotPath)
{
    const bool screenshot = !screenshotPath.isEmpty();
    // The script first: a file that cannot be read needs no window system.
    QString failure;
    const Ref<cls_VornStructure> structure = parseFile(file, includeDirs, failure);
    if (!structure) {
        complain(failure);
        return ExitFailure;
    }

    std::unique_ptr<QApplication> ownApp;
    int appArgc = argc; // QApplication keeps a reference to it
    if (!QCoreApplication::instance()) {
        if (screenshot)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QString why;
        if (!screenshot && !displayReachable(why)) {
            complain(why + QStringLiteral(".\nRun it under a display server (for example xvfb-run vorn view FILE), "
                                          "set QT_QPA_PLATFORM=offscreen, or write a picture with "
                                          "vorn view --screenshot OUT.png FILE."));
            return ExitFailure;
        }
        ownApp = std::make_unique<QApplication>(appArgc, argv);
    } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        complain(QStringLiteral("the viewer needs a QApplication"));
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
            complain(QStringLiteral("%1: the picture cannot be written").arg(screenshotPath));
            return ExitFailure;
        }
        return ExitOk;
    }
    dialog.exec();
    return ExitOk;
}

} // namespace vorn
