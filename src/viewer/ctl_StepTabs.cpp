#include "ctl_StepTabs.h"

#include "ViewerIcons.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorn {

ctl_StepTabs::ctl_StepTabs(QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)), m_row(new QHBoxLayout), m_description(new QLabel(this))
{
    m_group->setExclusive(true);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(4);
    m_row->addStretch(1);
    m_description->setObjectName(QStringLiteral("description"));
    QPalette muted = m_description->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    m_description->setPalette(muted);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 6, 10, 2);
    column->setSpacing(4);
    column->addLayout(m_row);
    column->addWidget(m_description);

    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { selectStep(id); });
}

void ctl_StepTabs::addStep(const QString& key, const QString& page, const QString& caption, const QString& description,
                           const QString& icon, const QString& extra1, const QString& extra2, const QString& extra3,
                           const QString& extra4, bool enabled, bool visible)
{
    Step s;
    s.key = key;
    s.page = page;
    s.caption = caption;
    s.description = description;
    s.icon = icon;
    s.extra[0] = extra1;
    s.extra[1] = extra2;
    s.extra[2] = extra3;
    s.extra[3] = extra4;
    s.enabled = enabled;
    s.visible = visible;
    m_steps.push_back(std::move(s));
}

ctl_StepTabs::Step ctl_StepTabs::step(int index) const
{
    if (index < 1 || index > stepCount())
        return {};
    return m_steps[size_t(index - 1)];
}

QWidget* ctl_StepTabs::pageOf(const Step& s) const
{
    if (s.page.isEmpty())
        return nullptr;
    return window()->findChild<QWidget*>(s.page);
}

void ctl_StepTabs::refresh()
{
    for (QToolButton* b : m_buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_buttons.clear();
    for (size_t i = 0; i < m_steps.size(); ++i) {
        const Step& s = m_steps[i];
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("step_") + s.key);
        b->setText(s.caption);
        b->setToolTip(s.description);
        b->setIcon(viewerIcon(s.icon));
        b->setIconSize(QSize(20, 20));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setEnabled(s.enabled);
        b->setVisible(s.visible);
        m_group->addButton(b, int(i) + 1);
        m_row->insertWidget(int(i), b);
        m_buttons.push_back(b);
    }
    if (m_selected > stepCount())
        m_selected = 0;
    showSelectedPage();
}

void ctl_StepTabs::selectStep(int index)
{
    if (index < 1 || index > stepCount())
        return;
    const bool changed = index != m_selected;
    m_selected = index;
    showSelectedPage();
    if (changed)
        Q_EMIT stepSelected(index);
}

void ctl_StepTabs::showSelectedPage()
{
    for (size_t i = 0; i < m_steps.size(); ++i) {
        const bool selected = int(i) + 1 == m_selected;
        if (i < m_buttons.size())
            m_buttons[i]->setChecked(selected);
        if (QWidget* page = pageOf(m_steps[i]))
            page->setVisible(selected);
    }
    m_description->setText(m_selected > 0 ? m_steps[size_t(m_selected - 1)].description : QString());
}

} // namespace vorn
