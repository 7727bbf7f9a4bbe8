#include "agent/libPictures.h"

#include <QPainter>

namespace libPictures {
namespace {

// A transparent square canvas of `size` pixels, antialiased.
class Canvas {
public:
    explicit Canvas(int size) : m_pixmap(size, size)
    {
        m_pixmap.fill(Qt::transparent);
        m_painter.begin(&m_pixmap);
        m_painter.setRenderHint(QPainter::Antialiasing);
    }
    QPainter& painter() { return m_painter; }
    QPixmap finish()
    {
        m_painter.end();
        return m_pixmap;
    }

private:
    QPixmap m_pixmap;
    QPainter m_painter;
};

// An archive box with a tape across it: Arkwell's own picture.
QPixmap paintedAppIcon(int size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    const qreal u = size / 16.0;
    p.setPen(QPen(QColor(0x3b, 0x2a, 0x12), u * 0.8));
    p.setBrush(QColor(0xc8, 0x8a, 0x3a));
    p.drawRoundedRect(QRectF(1.5 * u, 5 * u, 13 * u, 9.5 * u), u, u);
    p.setBrush(QColor(0xe0, 0xa8, 0x55));
    p.drawRoundedRect(QRectF(1 * u, 2 * u, 14 * u, 3.5 * u), u, u);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x6f, 0xb5));
    p.drawRect(QRectF(6.5 * u, 2 * u, 3 * u, 12.5 * u));
    return canvas.finish();
}

QPixmap compressedPicture()
{
    Canvas canvas(16);
    QPainter& p = canvas.painter();
    p.setPen(QPen(QColor(0x5a, 0x3d, 0x0e), 1));
    p.setBrush(QColor(0xf2, 0xc0, 0x4b));
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    for (int y = 2; y < 10; y += 2)
        p.drawLine(QPointF(7, y + 0.5), QPointF(9, y + 0.5));
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRect(QRectF(6.5, 10.5, 3, 3));
    return canvas.finish();
}

QPixmap copyPicture()
{
    Canvas canvas(16);
    QPainter& p = canvas.painter();
    p.setPen(QPen(QColor(0x33, 0x4d, 0x6e), 1));
    p.setBrush(QColor(0xdd, 0xe8, 0xf5));
    p.drawRect(QRectF(1.5, 1.5, 9, 11));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 4.5, 9, 11));
    for (int y = 7; y < 14; y += 2)
        p.drawLine(QPointF(7.5, y + 0.5), QPointF(12.5, y + 0.5));
    return canvas.finish();
}

}  // namespace

QIcon AppIcon()
{
    static const QIcon icon = [] {
        QIcon resource(QStringLiteral(":/icons/arkwell.svg"));
        if (!resource.pixmap(32, 32).isNull())
            return resource;
        QIcon painted;
        for (int size : {16, 22, 32, 48, 64, 128})
            painted.addPixmap(paintedAppIcon(size));
        return painted;
    }();
    return icon;
}

QIcon JobIcon(bool bCompressed)
{
    static const QIcon compressed(compressedPicture());
    static const QIcon copy(copyPicture());
    return bCompressed ? compressed : copy;
}

QPixmap Lamp(const QColor& colour)
{
    QPixmap pixmap(12, 13);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shine(QPointF(4.5, 4.5), 7);
    shine.setColorAt(0, colour.lighter(160));
    shine.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(170), 1));
    p.setBrush(shine);
    p.drawEllipse(QRectF(0.5, 1, 11, 11));
    return pixmap;
}

}  // namespace libPictures
