#include "ctl_Frame.h"

#include "ViewerIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vorn {

ctl_Frame::ctl_Frame(QWidget* parent)
    : QFrame(parent), m_icon(new QLabel(this)), m_caption(new QLabel(this)), m_content(new QVBoxLayout)
{
    setFrameShape(QFrame::StyledPanel);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(6);
    m_icon->setFixedSize(20, 20);
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    header->addWidget(m_icon);
    header->addWidget(m_caption, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addLayout(header);
    m_content->setContentsMargins(0, 0, 0, 0);
    m_content->setSpacing(4);
    outer->addLayout(m_content, 1);
}

QString ctl_Frame::caption() const { return m_caption->text(); }

void ctl_Frame::setCaption(const QString& caption) { m_caption->setText(caption); }

void ctl_Frame::setIcon(const QString& relativePath)
{
    const QIcon icon = viewerIcon(relativePath);
    m_icon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(20, 20));
    m_icon->setVisible(!icon.isNull());
}

} // namespace vorn
