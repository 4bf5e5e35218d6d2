#pragma once
// A shown editor control with scripted dialogs, and helpers to drive it like a user.

#include "support/Common.h"
#include "support/ScriptedDialogService.h"

#include <vorn/CoreServices.h>
#include <vorn/editor/ctl_VornEdit.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <memory>

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialogs = std::make_shared<vorn::ScriptedDialogService>();
        vorn::CoreServices::instance().setDialogs(dialogs);
        edit = std::make_unique<vorn::ctl_VornEdit>();
        edit->resize(640, 400);
        edit->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        edit.reset();
        vorn::CoreServices::instance().setDialogs(nullptr);
    }

    QWidget* canvas() const { return edit->pic_Edit(); }
    vorn::CoreEditor& engine() { return *edit->EDIT(); }

    // One key as the window system delivers it: press (with its text) and release.
    void key(int code, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString())
    {
        QKeyEvent press(QEvent::KeyPress, code, mods, text);
        QApplication::sendEvent(canvas(), &press);
        QKeyEvent release(QEvent::KeyRelease, code, mods, text);
        QApplication::sendEvent(canvas(), &release);
    }
    void type(const QString& text)
    {
        for (QChar c : text)
            key(Qt::Key_unknown, Qt::NoModifier, QString(c));
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(at), canvas()->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &e);
    }

    std::shared_ptr<vorn::ScriptedDialogService> dialogs;
    std::unique_ptr<vorn::ctl_VornEdit> edit;
};

// n lines "line 1" .. "line n".
inline QString numberedLines(int n)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines.join(u'\n');
}
