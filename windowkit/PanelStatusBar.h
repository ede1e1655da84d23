#pragma once

#include <QDateTime>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QTimer;

// A status bar made of panels that its owner rebuilds from scratch: each panel
// has a text, a width (fixed, sized to its text, or taking the remaining
// width), an alignment, and may show today's date instead of a text.
class PanelStatusBar : public QWidget
{
    Q_OBJECT
public:
    enum class Size
    {
        Fixed,
        Contents,
        Spring
    };

    explicit PanelStatusBar(QWidget* parent = nullptr);

    // Keeps the bar along the bottom of its parent, `row` bars up from the
    // bottom edge, as wide as the parent (or `width` pixels from the left).
    void dockAtBottom(int row = 0, int width = -1);

    void clear();
    int addPanel(); // 0-based index of the new panel
    int panelCount() const;

    void setText(int panel, const QString& text);
    void setWidthTwips(int panel, int twips);
    void setSize(int panel, Size size);
    void setAlignment(int panel, Qt::Alignment alignment);
    // Shows today's date in the system's short form, and keeps showing it: the
    // panel follows the clock past midnight.
    void setDateStyle(int panel);
    // The clock the date panels read (the system's by default).
    void setClock(std::function<QDateTime()> clock);

    QString text(int panel) const;
    Qt::Alignment alignment(int panel) const;
    Size size(int panel) const;
    int widthTwips(int panel) const; // the fixed width; -1 when the panel is not fixed
    QLabel* label(int panel) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeAtBottom();
    void refreshDates();

    QHBoxLayout* m_layout;
    int m_dockRow = -1;
    int m_dockWidth = -1;
    QList<QLabel*> m_panels;
    QTimer* m_dateTimer;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
};
