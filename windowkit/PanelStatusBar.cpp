#include "PanelStatusBar.h"

#include "Twips.h"

#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <algorithm>

static const char* sizeProperty = "dpcSize";
static const char* widthProperty = "dpcWidthTwips";
static const char* dateProperty = "dpcDate";

PanelStatusBar::PanelStatusBar(QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this)), m_dateTimer(new QTimer(this))
{
    m_dateTimer->setSingleShot(true);
    connect(m_dateTimer, &QTimer::timeout, this, &PanelStatusBar::refreshDates);
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(2);
    m_layout->addStretch(0);
    setAccessibleName(QStringLiteral("Barra di stato"));
}

static constexpr int barHeight = 22;

void PanelStatusBar::dockAtBottom(int row, int width)
{
    m_dockRow = row;
    m_dockWidth = width;
    parentWidget()->installEventFilter(this);
    placeAtBottom();
}

void PanelStatusBar::placeAtBottom()
{
    const QWidget* page = parentWidget();
    const int width = m_dockWidth < 0 ? page->width() : m_dockWidth;
    setGeometry(0, page->height() - (m_dockRow + 1) * (barHeight + 2), width, barHeight);
}

bool PanelStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && m_dockRow >= 0)
        placeAtBottom();
    return QWidget::eventFilter(watched, event);
}

void PanelStatusBar::clear()
{
    for (QLabel* panel : std::as_const(m_panels))
        delete panel;
    m_panels.clear();
}

int PanelStatusBar::addPanel()
{
    auto* panel = new QLabel(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setObjectName(QStringLiteral("panel%1").arg(m_panels.size() + 1));
    panel->setTextFormat(Qt::PlainText);
    m_layout->insertWidget(m_panels.size(), panel);
    m_panels.append(panel);
    setSize(m_panels.size() - 1, Size::Contents);
    return m_panels.size() - 1;
}

int PanelStatusBar::panelCount() const
{
    return m_panels.size();
}

QLabel* PanelStatusBar::label(int panel) const
{
    return m_panels.value(panel);
}

void PanelStatusBar::setText(int panel, const QString& text)
{
    m_panels[panel]->setText(text);
    m_panels[panel]->setAccessibleName(text);
}

void PanelStatusBar::setWidthTwips(int panel, int twips)
{
    QLabel* label = m_panels[panel];
    label->setProperty(sizeProperty, static_cast<int>(Size::Fixed));
    label->setProperty(widthProperty, twips);
    label->setFixedWidth(Twips::px(twips));
    m_layout->setStretchFactor(label, 0);
}

void PanelStatusBar::setSize(int panel, Size size)
{
    QLabel* label = m_panels[panel];
    label->setProperty(sizeProperty, static_cast<int>(size));
    label->setMinimumWidth(0);
    label->setMaximumWidth(QWIDGETSIZE_MAX);
    label->setSizePolicy(size == Size::Spring ? QSizePolicy::Expanding : QSizePolicy::Fixed,
                         QSizePolicy::Preferred);
    m_layout->setStretchFactor(label, size == Size::Spring ? 1 : 0);
}

void PanelStatusBar::setAlignment(int panel, Qt::Alignment alignment)
{
    m_panels[panel]->setAlignment(alignment | Qt::AlignVCenter);
}

void PanelStatusBar::setDateStyle(int panel)
{
    m_panels[panel]->setProperty(dateProperty, true);
    refreshDates();
}

void PanelStatusBar::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
    refreshDates();
}

void PanelStatusBar::refreshDates()
{
    const QDateTime now = m_clock();
    const QString today = QLocale::system().toString(now.date(), QLocale::ShortFormat);
    bool any = false;
    for (int i = 0; i < m_panels.size(); ++i) {
        if (!m_panels[i]->property(dateProperty).toBool())
            continue;
        any = true;
        if (text(i) != today)
            setText(i, today);
    }
    if (!any)
        return;
    // Just after the next midnight; at least once a minute, so a clock set
    // forward or a machine woken from sleep shows the right day soon.
    const qint64 toMidnight = now.msecsTo(now.date().addDays(1).startOfDay()) + 50;
    m_dateTimer->start(static_cast<int>(std::clamp<qint64>(toMidnight, 50, 60000)));
}

QString PanelStatusBar::text(int panel) const
{
    return m_panels[panel]->text();
}

Qt::Alignment PanelStatusBar::alignment(int panel) const
{
    return m_panels[panel]->alignment() & Qt::AlignHorizontal_Mask;
}

PanelStatusBar::Size PanelStatusBar::size(int panel) const
{
    return static_cast<Size>(m_panels[panel]->property(sizeProperty).toInt());
}

int PanelStatusBar::widthTwips(int panel) const
{
    if (size(panel) != Size::Fixed)
        return -1;
    return m_panels[panel]->property(widthProperty).toInt();
}
