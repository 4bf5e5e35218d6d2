// The window as a whole: start pages through VIEW, column widths, icons. What the pages show and
// the sessions on them are in data/viewer.

#include "support/ViewerHarness.h"

#include "viewer/ListViewColumns.h"
#include "viewer/ViewerIcons.h"

#include <vorn/viewer/Viewer.h>

#include <QHeaderView>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace vorn;
using namespace viewertest;

namespace {

// The viewer windows open at the moment.
QList<frm_DialogVornViewer*> openViewers()
{
    QList<frm_DialogVornViewer*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = dynamic_cast<frm_DialogVornViewer*>(w); d && d->isVisible())
            found.append(d);
    return found;
}

QString visiblePage(QWidget* dialog)
{
    QStringList shown;
    for (const char* page : { "frm_PageElements", "frm_PageDefinition", "frm_PageEnumerations" })
        if (dialog->findChild<QWidget*>(QString::fromLatin1(page))->isVisible())
            shown.append(QString::fromLatin1(page));
    return shown.join(QLatin1Char(','));
}

} // namespace

TEST(Window, ViewOpensModelessOnTheStartPage)
{
    installViewer();
    const struct {
        QString script;
        qint32 start;
        QString page;
    } cases[] = {
        { QStringLiteral("BEGIN ELEMENT NAME=\"A\"\nEND\n"), ID_VornInspectorView_Auto, "frm_PageDefinition" },
        { Houses, ID_VornInspectorView_Auto, "frm_PageElements" },
        { Houses, 0, "frm_PageElements" },
        { Houses, 2, "frm_PageDefinition" },
        { Houses, 3, "frm_PageEnumerations" },
    };
    for (const auto& c : cases) {
        const auto s = parse(c.script);
        s->VIEW(false, c.start);
        const auto viewers = openViewers();
        ASSERT_EQ(viewers.size(), 1);
        QPointer<frm_DialogVornViewer> viewer = viewers.first();
        EXPECT_EQ(visiblePage(viewer), c.page) << c.start;
        viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(viewer.isNull()); // a modeless window goes when it is closed
    }

    // A modal VIEW returns once its window is closed.
    bool closedWhileOpen = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QTest::keyClick(modal, Qt::Key_F12);
            closedWhileOpen = !modal->isVisible();
        }
    });
    parse(Houses)->VIEW(true, 1);
    EXPECT_TRUE(closedWhileOpen);
    EXPECT_TRUE(openViewers().isEmpty());
}

TEST(Window, ColumnsInPercentOfTheInnerWidth)
{
    Viewer v(parse(Houses), 2);
    QTreeWidget* list = v.view("lst_DefinitionAttributes");
    const QList<double> percent = ListViewColumns::percentages(list);
    const auto check = [&] {
        const int inner = list->viewport()->width();
        for (int c = 0; c < percent.size(); ++c)
            EXPECT_NEAR(list->header()->sectionSize(c), percent[c] * inner / 100.0, 1.0) << c;
    };
    check();
    v.dialog().resize(v.dialog().width() + 300, v.dialog().height());
    QApplication::processEvents();
    check();

    EXPECT_EQ(ListViewColumns::parse({ "12.5, x, 3" }), QList<double>({ 12.5, 0.0, 3.0 }));
}

TEST(Window, IconsOfThePages)
{
    for (const char* path : { "Ico\\32\\Computer\\Signs\\Database.ico", "Ico\\20\\Computer\\Signs\\OK.ico",
                              "Ico\\20\\Computer\\Signs\\Abort.ico", "Ico\\20\\leisure\\Toys\\Blocks.ico",
                              "Ico\\20\\Computer\\Signs\\Information.ico", "Ico\\20\\Computer\\Signs\\Properties.ico" })
        EXPECT_FALSE(viewerIcon(QString::fromLatin1(path)).isNull()) << path;
    EXPECT_TRUE(viewerIcon(QStringLiteral("Ico\\20\\No\\Such.ico")).isNull());
    EXPECT_TRUE(viewerIcon(QString()).isNull());
}
