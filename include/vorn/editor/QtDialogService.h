#pragma once
// The dialog service with Qt's own dialogs: message box, input box and file chooser.
// Install it with CoreServices::instance().setDialogs(...) once a QApplication exists.

#include <vorn/CoreServices.h>

#include <QPointer>
#include <QWidget>

namespace vorn {

class QtDialogService final : public DialogService {
public:
    // Dialogs are centred over parent when it is given and still alive.
    explicit QtDialogService(QWidget* parent = nullptr) : m_parent(parent) {}

    void message(const QString& text, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& proposal) override;
    // Offers pictures first; a cancelled chooser gives std::nullopt.
    std::optional<QString> chooseFile(const QString& title, const QString& startPath) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace vorn
