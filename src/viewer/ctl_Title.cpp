#include "ctl_Title.h"

#include "ViewerIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorn {
namespace {

QToolButton* headerButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

ctl_Title::ctl_Title(QWidget* parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_title(new QLabel(this)), m_text(new QLabel(this))
{
    m_help = headerButton(this, QStyle::SP_TitleBarContextHelpButton, QStringLiteral("Hilfe"), "help");
    m_feedback = headerButton(this, QStyle::SP_MessageBoxQuestion, QStringLiteral("Rückmeldung"), "feedback");
    m_close = headerButton(this, QStyle::SP_TitleBarCloseButton, QStringLiteral("Schließen"), "close");
    connect(m_help, &QToolButton::clicked, this, &ctl_Title::helpClicked);
    connect(m_feedback, &QToolButton::clicked, this, &ctl_Title::feedbackClicked);
    // Closing the window is the header's own business.
    connect(m_close, &QToolButton::clicked, this, [this] { window()->close(); });

    m_icon->setFixedSize(32, 32);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);
    m_text->setWordWrap(true);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(m_help);
    buttons->addWidget(m_feedback);
    buttons->addWidget(m_close);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 6, 8);
    row->setSpacing(10);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addLayout(buttons);
    row->setAlignment(buttons, Qt::AlignTop);
}

QString ctl_Title::title() const { return m_title->text(); }
void ctl_Title::setTitle(const QString& title) { m_title->setText(title); }
QString ctl_Title::text() const { return m_text->text(); }
void ctl_Title::setText(const QString& text) { m_text->setText(text); }

void ctl_Title::setIcon(const QString& relativePath)
{
    const QIcon icon = viewerIcon(relativePath);
    m_icon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
}

void ctl_Title::setHelpVisible(bool visible) { m_help->setVisible(visible); }
void ctl_Title::setFeedbackVisible(bool visible) { m_feedback->setVisible(visible); }
void ctl_Title::setCloseVisible(bool visible) { m_close->setVisible(visible); }

void ctl_Title::paintEvent(QPaintEvent*)
{
    // A light band with a rule below sets the header apart from the pages.
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawLine(rect().bottomLeft(), rect().bottomRight());
}

} // namespace vorn
