#include "ctl_CmdBar.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace vorn {
namespace {

const char* const KeyProperty = "vornKey";

} // namespace

ctl_CmdBar::ctl_CmdBar(QWidget* parent) : QWidget(parent), m_row(new QHBoxLayout(this))
{
    m_row->setContentsMargins(10, 6, 10, 8);
    m_row->addStretch(1);
    addButton(QStringLiteral("HELP"), QStringLiteral("Hilfe"));
    addButton(QStringLiteral("APPLY"), QStringLiteral("Übernehmen"));
    addButton(QStringLiteral("CANCEL"), QStringLiteral("Abbrechen"));
    addButton(QStringLiteral("OK"), QStringLiteral("OK"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QPushButton* ctl_CmdBar::addButton(const QString& key, const QString& caption)
{
    delete button(key);
    auto* b = new QPushButton(caption, this);
    const QString upper = key.toUpper();
    b->setObjectName(QStringLiteral("cmd_") + upper);
    b->setProperty(KeyProperty, upper);
    // Enter in a list must not press a button behind the user's back.
    b->setAutoDefault(false);
    b->setMinimumWidth(90);
    connect(b, &QPushButton::clicked, this, [this, upper] { Q_EMIT buttonClicked(upper); });
    m_row->addWidget(b);
    return b;
}

QPushButton* ctl_CmdBar::button(const QString& key) const
{
    const QString upper = key.toUpper();
    for (QPushButton* b : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (b->property(KeyProperty).toString() == upper)
            return b;
    return nullptr;
}

void ctl_CmdBar::setButtonVisible(const QString& key, bool visible)
{
    if (QPushButton* b = button(key))
        b->setVisible(visible);
}

void ctl_CmdBar::showOnly(const QString& key)
{
    const QString upper = key.toUpper();
    for (QPushButton* b : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        b->setVisible(b->property(KeyProperty).toString() == upper);
}

} // namespace vorn
