// What the viewer shows for the scripts in data/viewer, compared with golden files (see
// support/Golden.h; regenerate with VORN_UPDATE_GOLDEN=1): the node chosen at start, every node
// of the element tree and, clicked, its attributes, children and errors; every definition with its attributes, possible
// children and info; every value list with its members. A row is written as support's cells().
// Sessions of clicks and keys are in data/viewer/NAME.steps (see ViewerSession below).
#include "support/ViewerHarness.h"

#include "viewer/ctl_CmdBar.h"
#include "viewer/ctl_StepTabs.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QPushButton>
#include <QTest>
#include <QTextStream>

using namespace viewertest;

namespace {

void rows(QTextStream& out, const Viewer& v, const char* list, const QString& indent)
{
    const QTreeWidget* view = v.view(list);
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        out << indent << list << ": " << cells(view->topLevelItem(i)) << '\n';
}

void elements(QTextStream& out, Viewer& v, QTreeWidgetItem* item, const QString& indent)
{
    out << indent << cells(item) << '\n';
    v.click(v.view("tvw_Elements"), item);
    rows(out, v, "lst_Attributes", indent + "  ");
    rows(out, v, "lst_Children", indent + "  ");
    if (v.control<QWidget>("frm_Errors")->isVisible())
        for (const QString& line : v.errorsText().split('\n'))
            out << indent << "  error: " << line << '\n';
    for (int i = 0; i < item->childCount(); ++i)
        elements(out, v, item->child(i), indent + "    ");
}

// The first element with this ID, looked up as written (ELEMENT looks IDs up upper-cased).
vorn::Ref<vorn::cls_VornElement> byId(const vorn::Ref<vorn::cls_VornElements>& list, const QString& id)
{
    for (const vorn::Ref<vorn::cls_VornElement>& e : list->entries()) {
        if (e->ID() == id)
            return e;
        if (e->elementsIfAny())
            if (auto found = byId(e->elementsIfAny(), id))
                return found;
    }
    return {};
}

// The current item of a list or tree, whether it is in view and open.
QString current(const QTreeWidget* view)
{
    const QTreeWidgetItem* item = view->currentItem();
    if (!item)
        return QStringLiteral("nothing");
    const bool shown = view->viewport()->rect().intersects(view->visualItemRect(item));
    return item->text(0) + (shown ? ", in view" : ", out of view") + (item->isExpanded() ? ", open" : "");
}

// What the window shows after a step of a session: its page, the current item there and its details.
void state(QTextStream& out, Viewer& v)
{
    if (!v.dialog().isVisible()) {
        out << "  closed\n";
        return;
    }
    if (v.control<QWidget>("frm_PageElements")->isVisible()) {
        out << "  elements page, current " << current(v.view("tvw_Elements"))
            << (v.control<QWidget>("frm_Errors")->isVisible() ? ", errors shown\n" : "\n");
        rows(out, v, "lst_Attributes", "    ");
        rows(out, v, "lst_Children", "    ");
    } else if (v.control<QWidget>("frm_PageDefinition")->isVisible()) {
        const QTreeWidget* list = v.view("lst_ElementDefinitions");
        out << "  definitions page, " << (v.control<QCheckBox>("opt_ShowAllDefs")->isChecked() ? "all " : "")
            << list->topLevelItemCount() << " listed from " << list->topLevelItem(0)->text(0) << ", current "
            << current(list) << '\n';
        rows(out, v, "lst_DefinitionAttributes", "    ");
        rows(out, v, "lst_DefinitionChildren", "    ");
        for (const QString& line : v.infoLines())
            out << "    info: " << line << '\n';
    } else {
        out << "  value lists page, current " << current(v.view("lst_Enumerations")) << '\n';
    }
}

class ViewerGolden : public ::testing::TestWithParam<std::string> {};
class ViewerSession : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(ViewerGolden, MatchesExpected)
{
    const auto s = parse(golden::script("viewer", GetParam()));
    QString text;
    QTextStream out(&text);
    {
        Viewer v(s, 1);
        const auto* steps = v.control<vorn::ctl_StepTabs>("tab_Steps");
        for (int i = 1; i <= steps->stepCount(); ++i)
            out << "step: " << steps->step(i).caption << '\n';
        // The node chosen at start, whether it is in view, its parents open, its errors shown.
        const QTreeWidget* tree = v.view("tvw_Elements");
        const QTreeWidgetItem* first = tree->currentItem();
        out << "selected at start: " << (first ? first->text(0) : QStringLiteral("nothing"));
        if (first && tree->viewport()->rect().contains(tree->visualItemRect(first)))
            out << ", in view";
        for (const QTreeWidgetItem* p = first ? first->parent() : nullptr; p; p = p->parent())
            out << (p->isExpanded() ? ", below open " : ", below closed ") << p->text(0);
        out << (v.control<QWidget>("frm_Errors")->isVisible() ? ", errors shown\n" : "\n");
        for (int i = 0; i < v.view("tvw_Elements")->topLevelItemCount(); ++i)
            elements(out, v, v.view("tvw_Elements")->topLevelItem(i), QString());
    }
    {
        Viewer v(s, 2);
        QTreeWidget* list = v.view("lst_ElementDefinitions");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            out << "definition: " << cells(list->topLevelItem(i)) << '\n';
            v.click(list, list->topLevelItem(i));
            rows(out, v, "lst_DefinitionAttributes", "  ");
            rows(out, v, "lst_DefinitionChildren", "  ");
            for (const QString& line : v.infoLines())
                out << "  info: " << line << '\n';
        }
    }
    {
        Viewer v(s, 3);
        QTreeWidget* lists = v.view("lst_Enumerations");
        for (int i = 0; i < lists->topLevelItemCount(); ++i) {
            out << "value list: " << cells(lists->topLevelItem(i)) << '\n';
            v.click(lists, lists->topLevelItem(i));
            rows(out, v, "lst_EnumItems", "  ");
        }
    }
    out.flush();
    golden::expectMatches("viewer", GetParam(), text);
}
INSTANTIATE_TEST_SUITE_P(Golden, ViewerGolden, ::testing::ValuesIn(golden::cases("viewer")), golden::testName);

// Sessions in data/viewer/NAME.steps, one step a line:
//   script NAME                  data/viewer/NAME.vorn read, for the windows opened after it;
//                                "-" for an empty structure
//   element ID TYPE [NAME=VALUE...]   an element added at the top as code adds it ("-" for none;
//                                a VALUE in quotes is a text, else a number)
//   set TYPE FIELD VALUE...      a field of a definition set, one that no script sets: CHILDRENMIN,
//                                CHILDRENMAX, UNIQUE (yes or no) or a list, given its items
//   open PAGE [PRESELECTION]     a window on that page; "uid ID" preselects the number of the
//                                element with that ID, "#N" the number N
//   click LIST TEXT, double-click LIST TEXT   the top-level item of that text
//   tick BOX, key CONTROL KEY, press BUTTON   a check box, a key as Qt names it, a button of the bar
// NAME.expected shows after each step the visible buttons (on opening), the page and what it shows.
TEST_P(ViewerSession, MatchesExpected)
{
    vorn::Ref<vorn::cls_VornStructure> s;
    std::unique_ptr<Viewer> v;
    QString text;
    QTextStream out(&text);
    for (const QString& line : golden::script("viewer", GetParam(), ".steps").split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        out << "> " << line << '\n';
        const QString step = line.section(u' ', 0, 0), first = line.section(u' ', 1, 1), rest = line.section(u' ', 2);
        const QByteArray name = first.toLatin1();
        if (step == u"script") {
            s = first == u"-" ? vorn::cls_VornStructure::create()
                              : parse(golden::script("viewer", first.toStdString()));
            continue;
        } else if (step == u"element") {
            const QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
            auto e = s->ELEMENTS()->CREATE(first == u"-" ? vorn::Variant::missing() : vorn::Variant(first));
            e->setUID(s->UIDCREATE());
            e->setSORT(words.value(0) == u"-" ? QString() : words.value(0));
            for (const QString& pair : words.mid(1)) {
                const QString value = pair.section(u'=', 1);
                e->ATTRIBUTES()->setVALUE(pair.section(u'=', 0, 0),
                                          value.startsWith(u'"') ? vorn::Variant(value.mid(1).chopped(1))
                                                                 : vorn::Variant(value.toInt()));
            }
            continue;
        } else if (step == u"set") {
            const auto d = s->DEFINITIONS()->Item(first);
            const QString field = rest.section(u' ', 0, 0);
            const QStringList values = rest.section(u' ', 1).split(u' ', Qt::SkipEmptyParts);
            const std::map<QString, vorn::Ref<vorn::CoreList>> lists = { { "PARENTSALLOWED", d->PARENTSALLOWED() },
                                                                         { "CHILDRENALLOWED", d->CHILDRENALLOWED() },
                                                                         { "CHILDRENREQUIRED", d->CHILDRENREQUIRED() },
                                                                         { "NEXTALLOWED", d->NEXTALLOWED() },
                                                                         { "PREVIOUSALLOWED", d->PREVIOUSALLOWED() } };
            if (field == u"CHILDRENMIN" || field == u"CHILDRENMAX")
                field == u"CHILDRENMIN" ? d->setCHILDRENMIN(values.value(0).toInt())
                                        : d->setCHILDRENMAX(values.value(0).toInt());
            else if (field == u"UNIQUE")
                d->setUNIQUE(values.value(0) == u"yes");
            else
                lists.at(field)->items() = values;
            continue;
        } else if (step == u"open") {
            const vorn::Variant preselect = rest.startsWith(u"uid ")
                ? vorn::Variant(byId(s->ELEMENTS(), rest.mid(4))->UID())
                : rest.startsWith(u'#') ? vorn::Variant(rest.mid(1).toInt())
                                        : vorn::Variant(rest);
            v = std::make_unique<Viewer>(s, first.toInt(), preselect);
            out << "  buttons:";
            for (const char* key : { "OK", "CANCEL", "APPLY", "HELP" })
                if (v->control<vorn::ctl_CmdBar>("bar_Buttons")->button(key)->isVisible())
                    out << ' ' << key;
            out << '\n';
        } else if (step == u"click" || step == u"double-click") {
            QTreeWidget* view = v->view(name.constData());
            QTreeWidgetItem* item = v->item(name.constData(), rest);
            ASSERT_TRUE(item) << line.toStdString();
            step == u"click" ? v->click(view, item) : v->doubleClick(view, item);
        } else if (step == u"tick") {
            v->control<QCheckBox>(name.constData())->click();
        } else if (step == u"key") {
            QWidget* target = v->control<QWidget>(name.constData());
            target->setFocus();
            QTest::keyClick(target, Qt::Key(QKeySequence(rest)[0].key()));
        } else if (step == u"press") {
            v->control<vorn::ctl_CmdBar>("bar_Buttons")->button(first)->click();
        } else {
            ADD_FAILURE() << "unknown step: " << line.toStdString();
        }
        state(out, *v);
    }
    out.flush();
    golden::expectMatches("viewer", GetParam(), text);
}
INSTANTIATE_TEST_SUITE_P(Golden, ViewerSession, ::testing::ValuesIn(golden::cases("viewer", ".steps")),
                         golden::testName);
