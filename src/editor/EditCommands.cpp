// EXECUTE and the undo and redo history of whole texts.

#include <vorn/CoreServices.h>
#include <vorn/editor/ctl_VornEdit.h>

#include <QClipboard>
#include <QGuiApplication>

#include <cmath>
#include <cstdlib>

namespace vorn {

namespace {

const QString NoUndo = QStringLiteral("Keine weiteren Rückgängig-Schritte vorhanden!");
const QString NoRedo = QStringLiteral("Keine weiteren Wiederherstellungs-Schritte vorhanden!");
const QString NoSuchLine = QStringLiteral("Die Zeile gibt es nicht.");

// The number an answer starts with, after leading blanks: sign, digits, decimals and an
// exponent; 0 when it starts with none.
double leadingNumber(const QString& answer)
{
    const QByteArray text = answer.toLatin1();
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    qsizetype mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const qsizetype mark = i++;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            i = mark;
    }
    const std::string number(text.constData() + start, size_t(i - start));
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0;
}

} // namespace

bool ctl_VornEdit::EXECUTE(const QString& pCmd)
{
    const auto [groupWord, subWord] = CoreServices::splitFirst(pCmd, QStringLiteral("."));
    const QString group = groupWord.toUpper();
    const QString sub = subWord.toUpper();
    if (group == u"PASTE") {
        if (sub != u"ICON")
            return false;
        const std::optional<QString> chosen = CoreServices::instance().dialogs().chooseFile(
            QStringLiteral("Symbolgrafik auswählen"), m_last);
        if (chosen && !chosen->isEmpty()) {
            m_last = *chosen;
            CoreEditor& e = *EDIT();
            e.document().insert(e.view().cursorPosition(), *chosen);
        }
        return true;
    }
    if (group == u"EDIT")
        return executeEdit(sub);
    return false;
}

bool ctl_VornEdit::executeEdit(const QString& sub)
{
    if (sub == u"PASTE") {
        const QString text = QGuiApplication::clipboard()->text();
        CoreEditor& e = *EDIT();
        e.document().insert(e.view().cursorPosition(), text);
        return true;
    }
    if (sub == u"COPY" || sub == u"CUT") {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(EDIT()->view().selectedText());
        if (sub == u"CUT")
            EDIT()->view().deleteSelection();
        return true;
    }
    if (sub == u"DELETE") {
        EDIT()->view().deleteSelection();
        return true;
    }
    if (sub == u"UNDO" || sub == u"REDO") {
        undo(sub == u"REDO");
        return true;
    }
    if (sub == u"MARK.ALL" || sub == u"MARKALL") {
        selectAll();
        return true;
    }
    if (sub == u"GOTO")
        return goToLine();
    return false;
}

void ctl_VornEdit::undo(bool redo)
{
    CoreList& from = redo ? *m_redo : *m_undo;
    CoreList& to = redo ? *m_undo : *m_redo;
    if (from.COUNT() == 0) {
        CoreServices::instance().dialogs().message(redo ? NoRedo : NoUndo, QString());
        return;
    }
    CoreEditorDocument& doc = EDIT()->document();
    to.INSERT(doc.text(), 1);
    doc.setText(from.ITEM(1));
    from.REMOVEAT(1);
    // The restored text is no new step.
    doc.setModified(false);
    EDIT()->viewport().recalculate(0);
}

void ctl_VornEdit::selectAll()
{
    CoreEditorView& v = EDIT()->view();
    v.beginUpdate();
    v.clearSelection();
    v.moveToStart();
    v.selection().setFrom(0);
    v.selection().setTo(1);
    v.endUpdate();
}

bool ctl_VornEdit::goToLine()
{
    DialogService& dialogs = CoreServices::instance().dialogs();
    const qint32 lines = EDIT()->document().lineCount();
    const qint32 row = EDIT()->view().cursorRow();
    const std::optional<QString> answer = dialogs.input(
        QStringLiteral("Zu welcher Zeile wollen Sie springen? (1-%1)").arg(lines), QStringLiteral("Gehe zu..."),
        QString::number(row));
    if (!answer || answer->isEmpty())
        return true;
    // The dialog ran its own message loop; the text may have changed meanwhile.
    const qint32 now = EDIT()->document().lineCount();
    const double number = leadingNumber(*answer);
    if (number < 1 || number > now) {
        dialogs.message(NoSuchLine, QString());
        return false;
    }
    EDIT()->view().clearSelection();
    EDIT()->view().setCursor(qint32(std::nearbyint(number - 1)), 0, 0);
    return true;
}

void ctl_VornEdit::setCONTENT(const QString& pNew)
{
    EDIT()->document().setText(pNew);
    m_undo->CLEAR();
    m_redo->CLEAR();
    m_undo->ADD(pNew);
    UPDATE();
}

} // namespace vorn
