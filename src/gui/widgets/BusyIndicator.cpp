#include "gui/widgets/BusyIndicator.h"

#include <QPainter>
#include <QTimer>

BusyIndicator::BusyIndicator(QWidget *parent) : QProgressBar(parent), m_turn(new QTimer(this))
{
    setRange(0, 0);
    setTextVisible(false);
    m_turn->setInterval(80);
    connect(m_turn, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    p.translate(width() / 2.0, height() / 2.0);
    QPen pen;
    pen.setWidthF(std::max(side / 9.0, 1.5));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < 12; ++i) {
        // The spoke just passed is darkest; the others fade behind it.
        const int age = (m_step - i + 12) % 12;
        pen.setColor(QColor(60, 60, 60, 255 - age * 18));
        p.setPen(pen);
        p.save();
        p.rotate(i * 30.0);
        p.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.45));
        p.restore();
    }
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    QProgressBar::showEvent(event);
    m_turn->start();
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    QProgressBar::hideEvent(event);
    m_turn->stop();
}
