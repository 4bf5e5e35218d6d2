#include <vorn/editor/QtDialogService.h>

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vorn {

void QtDialogService::message(const QString& text, const QString& title)
{
    QMessageBox::information(m_parent, title, text);
}

std::optional<QString> QtDialogService::input(const QString& prompt, const QString& title, const QString& proposal)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, proposal, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<QString> QtDialogService::chooseFile(const QString& title, const QString& startPath)
{
    const QString chosen = QFileDialog::getOpenFileName(
        m_parent, title, startPath,
        QStringLiteral("Bilder (*.png *.jpg *.jpeg *.gif *.bmp *.ico *.svg);;Alle Dateien (*)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace vorn
