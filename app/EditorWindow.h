#pragma once
// Main window around the editor control: files, editing commands, checking and the status.

#include <vorn/Structure.h>
#include <vorn/editor/ctl_VornEdit.h>

#include <QMainWindow>

class QDockWidget;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace vornapp {

class EditorWindow final : public QMainWindow {
public:
    explicit EditorWindow(QWidget* parent = nullptr);

    // Loads a file (unsaved changes are the caller's to ask about); false when nothing was loaded.
    bool openFile(const QString& path);
    // Starts an empty script that will be saved under path.
    void startNew(const QString& path);
    vorn::ctl_VornEdit* editor() const noexcept { return m_edit; }

    // One checking result: the line (0 when unknown or in another file) and the text shown.
    struct Finding {
        qint32 line;
        QString text;
    };
    std::vector<Finding> check();
    // Checks the script and lists the findings in the panel.
    void showFindings();
    QListWidget* findings() const noexcept { return m_findings; }
    // Moves the cursor to the line of a finding in the panel.
    void jumpTo(QListWidgetItem* item);
    // Saves under the current path (asking for one when there is none).
    bool save();
    const QString& path() const noexcept { return m_path; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void run(const QString& command);
    bool maybeSave();
    bool saveAs();
    bool writeTo(const QString& path);
    void openDialog();
    void showStructure();
    vorn::Ref<vorn::cls_VornStructure> parse();
    void refreshStatus();
    QString displayName() const;

    vorn::ctl_VornEdit* m_edit = nullptr;
    QDockWidget* m_findingsDock = nullptr;
    QListWidget* m_findings = nullptr;
    QLabel* m_position = nullptr;
    QString m_path;
    bool m_crlf = false;
    vorn::Ref<vorn::cls_VornStructure> m_shown; // kept alive for a modeless viewer
};

// `vorn edit [FILE]`: opens the window on FILE (empty: a new script; a missing file is created
// on saving) and runs the event loop until it closes; answers the exit code. Creates the
// QApplication unless one exists. Without a display it prints a hint and answers 2.
int runEditor(int argc, char** argv, const QString& file);

} // namespace vornapp
