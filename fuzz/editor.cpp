// A sequence of editor inputs and EXECUTE commands on the offscreen control. Besides not
// crashing: the cursor stays inside the text, and a step that UNDO took back comes back with
// REDO.
#include "FuzzSupport.h"
#include "support/ScriptedDialogService.h"

#include <vorn/editor/ctl_VornEdit.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>

using namespace vorn;

namespace {

QApplication* app = nullptr;
std::shared_ptr<ScriptedDialogService> dialogs;
ctl_VornEdit* edit = nullptr;

const int Keys[] = { Qt::Key_Left,      Qt::Key_Right,  Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Home,   Qt::Key_End,
                     Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Return, Qt::Key_Tab,
                     Qt::Key_Backtab,   Qt::Key_Insert, Qt::Key_Escape, Qt::Key_A,        Qt::Key_C,      Qt::Key_X,
                     Qt::Key_V,         Qt::Key_Z,      Qt::Key_Y,      Qt::Key_G };
const char* const Commands[] = { "EDIT.UNDO",   "EDIT.REDO",    "EDIT.COPY",     "EDIT.CUT",  "EDIT.PASTE",
                                 "EDIT.DELETE", "EDIT.MARKALL", "EDIT.MARK.ALL", "EDIT.GOTO", "PASTE.ICON",
                                 "edit.undo",   "EDIT.",        "NOTHING",       "" };
const char* const Words[] = { "BEGIN ",
                              "END\n",
                              "ELEMENT NAME=\"A\"\n",
                              "STRING NAME=\"ID\"\n",
                              "# c\n",
                              "\"",
                              ", ",
                              "...\n",
                              "\t",
                              "\r\n",
                              "ä",
                              "\xF0\x9F\x98\x80",
                              "ID_X",
                              "(1, 2)" };

// Reads the input byte by byte; past the end every read answers 0.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool more() const { return pos < size; }
    uint8_t byte() { return pos < size ? data[pos++] : 0; }
    QString text()
    {
        const size_t n = qMin<size_t>(byte() % 32, size - pos);
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(data + pos), qsizetype(n));
        pos += n;
        return t;
    }
};

void key(int code, Qt::KeyboardModifiers mods, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, code, mods, text);
    QApplication::sendEvent(edit->pic_Edit(), &press);
    QKeyEvent release(QEvent::KeyRelease, code, mods, text);
    QApplication::sendEvent(edit->pic_Edit(), &release);
}

void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(type, QPointF(at), edit->pic_Edit()->mapToGlobal(QPointF(at)), button, buttons, mods);
    QApplication::sendEvent(edit->pic_Edit(), &e);
}

Qt::KeyboardModifiers modifiers(uint8_t b)
{
    Qt::KeyboardModifiers m;
    if (b & 1)
        m |= Qt::ShiftModifier;
    if (b & 2)
        m |= Qt::ControlModifier;
    if (b & 4)
        m |= Qt::AltModifier;
    return m;
}

void checkCursor(const QString& step)
{
    const QString text = edit->CONTENT();
    const qint32 lines = qint32(text.count(u'\n') + text.count(u'\r') + 1);
    FUZZ_CHECK(edit->ROW() >= 1 && edit->COL() >= 1 && edit->ROW() <= lines,
               step + QStringLiteral(": cursor at %1:%2 in %3 lines").arg(edit->ROW()).arg(edit->COL()).arg(lines));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    app = new QApplication(*argc, *argv);
    dialogs = std::make_shared<ScriptedDialogService>();
    CoreServices::instance().setDialogs(dialogs);
    edit = new ctl_VornEdit();
    edit->resize(320, 200);
    edit->show();
    QApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in{ data, size };
    dialogs->clear();
    edit->setCONTENT(QStringLiteral("BEGIN ELEMENT NAME=\"ROOM\"\n\tSTRING NAME=\"ID\"\nEND\nROOM \"R1\"\n"));
    for (int steps = 0; in.more() && steps < 64; ++steps) {
        const uint8_t op = in.byte();
        QString step = QStringLiteral("step %1 op %2").arg(steps).arg(op % 12);
        switch (op % 12) {
        case 0:
        case 1: // typed text
            key(Qt::Key_unknown, Qt::NoModifier, in.text());
            break;
        case 2: { // a word of the language
            const char* w = Words[in.byte() % std::size(Words)];
            for (QChar c : QString::fromUtf8(w))
                key(Qt::Key_unknown, Qt::NoModifier, QString(c));
            break;
        }
        case 3:
        case 4: { // an editing key
            const int k = Keys[in.byte() % std::size(Keys)];
            key(k, modifiers(in.byte()));
            break;
        }
        case 5: { // a command, with an answer ready for its dialog
            const char* c = Commands[in.byte() % std::size(Commands)];
            const uint8_t answer = in.byte();
            if (answer & 1)
                dialogs->queueAnswer(answer & 2 ? std::optional<QString>() : std::optional<QString>(in.text()));
            step += QLatin1Char(' ') + QLatin1String(c);
            fuzz::onlyVornErrors([&] { edit->EXECUTE(QString::fromLatin1(c)); }, "EXECUTE");
            break;
        }
        case 6: { // a click or a drag
            const QPoint at(in.byte() * 2 - 40, in.byte() - 20);
            const Qt::KeyboardModifiers mods = modifiers(in.byte());
            const uint8_t how = in.byte() % 4;
            if (how == 3) {
                mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, mods);
                break;
            }
            mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, mods);
            if (how >= 1)
                mouse(QEvent::MouseMove, at + QPoint(in.byte() - 128, in.byte() - 128), Qt::NoButton, Qt::LeftButton,
                      mods);
            mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, mods);
            break;
        }
        case 7: { // the wheel
            QWheelEvent w(QPointF(10, 10), edit->pic_Edit()->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(int(int8_t(in.byte())) * 8, int(int8_t(in.byte())) * 8), Qt::NoButton,
                          modifiers(in.byte()), Qt::NoScrollPhase, false);
            QApplication::sendEvent(edit->pic_Edit(), &w);
            break;
        }
        case 8: // a new text
            edit->setCONTENT(in.text());
            break;
        case 9: { // undo, then redo brings the undone step back
            const QString before = edit->CONTENT();
            fuzz::onlyVornErrors([&] { edit->EXECUTE(QStringLiteral("EDIT.UNDO")); }, "UNDO");
            if (edit->CONTENT() != before) {
                fuzz::onlyVornErrors([&] { edit->EXECUTE(QStringLiteral("EDIT.REDO")); }, "REDO");
                FUZZ_CHECK(edit->CONTENT() == before,
                           step + QStringLiteral(": REDO gave\n") + edit->CONTENT()
                               + QStringLiteral("\n--- instead of\n") + before);
            }
            break;
        }
        case 10: // a new size, the scroll bars follow
            edit->resize(20 + in.byte() * 3, 20 + in.byte() * 2);
            break;
        case 11: // rebuilt engine, events processed
            if (in.byte() & 1)
                edit->UPDATE();
            QApplication::processEvents();
            break;
        }
        checkCursor(step);
    }
    return 0;
}
