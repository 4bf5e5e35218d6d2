#include "EditorWindow.h"
#include "Display.h"

#include <vorn/CoreServices.h>
#include <vorn/ScriptFile.h>
#include <vorn/editor/QtDialogService.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSaveFile>
#include <QStatusBar>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace vornapp {

using namespace vorn;

namespace {

void tell(const QString& title, const QString& text) { CoreServices::instance().dialogs().message(text, title); }

QString describe(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent)
{
    m_edit = new ctl_VornEdit(this);
    setCentralWidget(m_edit);

    m_findings = new QListWidget(this);
    m_findingsDock = new QDockWidget(QStringLiteral("Prüfergebnis"), this);
    m_findingsDock->setObjectName(QStringLiteral("findings"));
    m_findingsDock->setWidget(m_findings);
    m_findingsDock->hide();
    addDockWidget(Qt::BottomDockWidgetArea, m_findingsDock);
    connect(m_findings, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { jumpTo(item); });
    connect(m_findings, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { jumpTo(item); });

    m_position = new QLabel(this);
    statusBar()->addPermanentWidget(m_position);
    buildMenus();

    // Row, column and the changed mark follow the control.
    connect(m_edit, &ctl_VornEdit::changedChanged, this, [this] { refreshStatus(); });
    connect(m_edit, &ctl_VornEdit::cursorMoved, this, [this] { refreshStatus(); });
    refreshStatus();
    resize(960, 680);
    m_edit->setFocus();
}

void EditorWindow::buildMenus()
{
    const auto add = [this](QMenu* menu, const QString& text, const QList<QKeySequence>& keys, auto slot) {
        QAction* action = menu->addAction(text);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    add(file, QStringLiteral("Ö&ffnen…"), { QKeySequence::Open }, [this] { openDialog(); });
    add(file, QStringLiteral("&Speichern"), { QKeySequence::Save }, [this] { save(); });
    add(file, QStringLiteral("Speichern &unter…"), { QKeySequence(QStringLiteral("Ctrl+Shift+S")) },
        [this] { saveAs(); });
    file->addSeparator();
    add(file, QStringLiteral("&Beenden"), { QKeySequence(QStringLiteral("Ctrl+Q")) }, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    const auto command = [&](const QString& text, const QList<QKeySequence>& keys, const QString& word) {
        add(edit, text, keys, [this, word] { run(word); });
    };
    command(QStringLiteral("&Rückgängig"), { QKeySequence::Undo }, QStringLiteral("EDIT.UNDO"));
    command(QStringLiteral("&Wiederherstellen"),
            { QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z")) },
            QStringLiteral("EDIT.REDO"));
    edit->addSeparator();
    command(QStringLiteral("&Ausschneiden"), { QKeySequence::Cut }, QStringLiteral("EDIT.CUT"));
    command(QStringLiteral("&Kopieren"), { QKeySequence::Copy }, QStringLiteral("EDIT.COPY"));
    command(QStringLiteral("&Einfügen"), { QKeySequence::Paste }, QStringLiteral("EDIT.PASTE"));
    // Delete alone stays the canvas's key (it deletes a character without a selection).
    command(QStringLiteral("&Löschen"), {}, QStringLiteral("EDIT.DELETE"));
    edit->addSeparator();
    command(QStringLiteral("Alles &markieren"), { QKeySequence::SelectAll }, QStringLiteral("EDIT.MARKALL"));
    command(QStringLiteral("&Gehe zu Zeile…"), { QKeySequence(QStringLiteral("Ctrl+G")) }, QStringLiteral("EDIT.GOTO"));
    edit->addSeparator();
    command(QStringLiteral("&Symbolgrafik einfügen…"), { QKeySequence(QStringLiteral("Ctrl+Shift+I")) },
            QStringLiteral("PASTE.ICON"));

    QMenu* script = menuBar()->addMenu(QStringLiteral("&Skript"));
    add(script, QStringLiteral("&Prüfen"), { QKeySequence(QStringLiteral("F7")) }, [this] { showFindings(); });
    add(script, QStringLiteral("Struktur &anzeigen"), { QKeySequence(QStringLiteral("F8")) },
        [this] { showStructure(); });
}

void EditorWindow::run(const QString& command)
{
    try {
        m_edit->EXECUTE(command);
        // The host brings bars and history in line at once instead of at the next key.
        m_edit->synchronise();
    } catch (const std::exception& e) {
        tell(QStringLiteral("Bearbeiten"),
             QStringLiteral("Der Befehl %1 ist fehlgeschlagen:\n%2").arg(command, describe(e)));
    }
    m_edit->pic_Edit()->setFocus();
    refreshStatus();
}

QString EditorWindow::displayName() const
{
    return m_path.isEmpty() ? QStringLiteral("Unbenannt") : QFileInfo(m_path).fileName();
}

void EditorWindow::refreshStatus()
{
    try {
        m_position->setText(QStringLiteral("Zeile %1, Spalte %2").arg(m_edit->ROW()).arg(m_edit->COL()));
        setWindowModified(m_edit->CHANGED());
        setWindowTitle(displayName() + QStringLiteral("[*] – Vorn Script"));
    } catch (const std::exception& e) {
        m_position->setText(describe(e)); // the status is refreshed again in a moment
    }
}

// --- Files --------------------------------------------------------------------------------

bool EditorWindow::maybeSave()
{
    if (!m_edit->CHANGED())
        return true;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Ungespeicherte Änderungen"),
        QStringLiteral("„%1“ wurde geändert. Sollen die Änderungen gespeichert werden?").arg(displayName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

void EditorWindow::openDialog()
{
    if (!maybeSave())
        return;
    const QString start = m_path.isEmpty() ? QDir::currentPath() : QFileInfo(m_path).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Skript öffnen"), start,
                                                      QStringLiteral("Vorn-Skripte (*.vorn);;Alle Dateien (*)"));
    if (!path.isEmpty())
        openFile(path);
}

bool EditorWindow::openFile(const QString& path)
{
    try {
        if (!m_edit->LOAD(path)) {
            tell(QStringLiteral("Öffnen"), QStringLiteral("Die Datei „%1“ kann nicht gelesen werden.").arg(path));
            return false;
        }
        // Saving keeps the line ends the file came with.
        QFile f(path);
        m_crlf = f.open(QIODevice::ReadOnly) && f.read(1 << 20).contains("\r\n");
        m_path = path;
        m_findings->clear();
        m_findingsDock->hide();
        statusBar()->showMessage(QStringLiteral("%1 geladen").arg(QDir::toNativeSeparators(path)), 4000);
    } catch (const std::exception& e) {
        tell(QStringLiteral("Öffnen"), describe(e));
        return false;
    }
    refreshStatus();
    return true;
}

void EditorWindow::startNew(const QString& path)
{
    m_path = path;
    m_crlf = false;
    statusBar()->showMessage(QStringLiteral("Neue Datei %1").arg(QDir::toNativeSeparators(path)), 4000);
    refreshStatus();
}

bool EditorWindow::save()
{
    if (m_path.isEmpty())
        return saveAs();
    return writeTo(m_path);
}

bool EditorWindow::saveAs()
{
    const QString start = m_path.isEmpty() ? QDir::currentPath() : m_path;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Skript speichern unter"), start,
                                                      QStringLiteral("Vorn-Skripte (*.vorn);;Alle Dateien (*)"));
    if (path.isEmpty())
        return false;
    return writeTo(path);
}

bool EditorWindow::writeTo(const QString& path)
{
    try {
        QString text = m_edit->CONTENT();
        if (m_crlf)
            text.replace(u'\n', QStringLiteral("\r\n"));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
            tell(QStringLiteral("Speichern"),
                 QStringLiteral("„%1“ kann nicht gespeichert werden: %2").arg(path, file.errorString()));
            return false;
        }
        m_path = path;
        m_edit->setCHANGED(false);
        statusBar()->showMessage(QStringLiteral("%1 gespeichert").arg(QDir::toNativeSeparators(path)), 4000);
    } catch (const std::exception& e) {
        tell(QStringLiteral("Speichern"), describe(e));
        return false;
    }
    refreshStatus();
    return true;
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}

// --- Checking -----------------------------------------------------------------------------

Ref<cls_VornStructure> EditorWindow::parse()
{
    // The script as the program checks it: includes are looked up next to the script first.
    const ScriptFile script = ScriptFile::parse(m_path, m_edit->CONTENT());
    if (!script.isOpen())
        throw Error(ErrorService, QStringLiteral("Prüfen"), script.failure());
    return script.structure();
}

std::vector<EditorWindow::Finding> EditorWindow::check()
{
    const ScriptFile script = ScriptFile::parse(m_path, m_edit->CONTENT());
    if (!script.isOpen())
        throw Error(ErrorService, QStringLiteral("Prüfen"), script.failure());
    std::vector<Finding> out;
    // Findings in another file are listed with their place and no line to jump to.
    for (const Diagnostic& d : script.diagnostics()) {
        if (d.severity == Severity::Note)
            continue;
        if (d.span.file != script.name())
            out.push_back(
                { 0, QStringLiteral("%1:%2:%3: %4").arg(d.span.file).arg(d.span.line).arg(d.span.column).arg(d.text) });
        else
            out.push_back({ d.span.line, d.text });
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
        return (a.line == 0 ? INT_MAX : a.line) < (b.line == 0 ? INT_MAX : b.line);
    });
    return out;
}

void EditorWindow::showFindings()
{
    m_findings->clear();
    try {
        const std::vector<Finding> findings = check();
        for (const Finding& f : findings) {
            auto* item = new QListWidgetItem(f.line > 0 ? QStringLiteral("Zeile %1: %2").arg(f.line).arg(f.text)
                                                        : f.text);
            item->setData(Qt::UserRole, f.line);
            m_findings->addItem(item);
        }
        if (findings.empty())
            m_findings->addItem(QStringLiteral("Keine Fehler gefunden."));
        statusBar()->showMessage(findings.empty() ? QStringLiteral("Keine Fehler gefunden.")
                                                  : QStringLiteral("%1 Fehler gefunden.").arg(findings.size()),
                                 4000);
    } catch (const std::exception& e) {
        m_findings->addItem(QStringLiteral("Das Prüfen ist fehlgeschlagen: ") + describe(e));
    }
    m_findingsDock->show();
}

void EditorWindow::jumpTo(QListWidgetItem* item)
{
    if (!item)
        return;
    const qint32 line = item->data(Qt::UserRole).toInt();
    if (line < 1)
        return;
    try {
        m_edit->EDIT()->view().setCursor(line - 1, 0, 0);
        m_edit->synchronise();
    } catch (const std::exception& e) {
        statusBar()->showMessage(QStringLiteral("Zeile %1 nicht erreichbar: %2").arg(line).arg(describe(e)), 4000);
    }
    m_edit->pic_Edit()->setFocus();
    refreshStatus();
}

void EditorWindow::showStructure()
{
    try {
        const Ref<cls_VornStructure> structure = parse();
        structure->VIEW(false);
        m_shown = structure;
    } catch (const std::exception& e) {
        tell(QStringLiteral("Struktur anzeigen"),
             QStringLiteral("Die Struktur kann nicht angezeigt werden:\n%1").arg(describe(e)));
    }
}

// --- Entry --------------------------------------------------------------------------------

int runEditor(int argc, char** argv, const QString& file)
{
    QString why;
    if (!displayReachable(why)) {
        complain(QStringLiteral("vorn edit"),
                 why
                     + QStringLiteral(".\nRun it under a display server, for example "
                                      "xvfb-run vorn edit FILE (Debian package xvfb), or set "
                                      "QT_QPA_PLATFORM=offscreen to run it without showing anything."));
        return 2;
    }
    static char programName[] = "vorn";
    char* fallback[] = { programName, nullptr };
    if (argc < 1 || !argv) {
        argc = 1;
        argv = fallback;
    }
    std::unique_ptr<QApplication> owned;
    if (!QCoreApplication::instance())
        owned = std::make_unique<QApplication>(argc, argv);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fputs("vorn edit: the editor needs a widget application\n", stderr);
        return 2;
    }

    EditorWindow window;
    CoreServices::instance().setDialogs(std::make_shared<QtDialogService>(&window));
    if (!file.isEmpty()) {
        if (QFileInfo::exists(file))
            window.openFile(file);
        else
            window.startNew(file);
    }
    window.show();
    const int code = QApplication::exec();
    CoreServices::instance().setDialogs(nullptr);
    return code;
}

} // namespace vornapp
