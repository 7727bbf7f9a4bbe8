#include "shared/Pictures.h"

#include <QPainter>
#include <algorithm>

// The resources live in a static library: naming their initialiser here links them in.
static void initProgramResources()
{
    Q_INIT_RESOURCE(arkwell);
}

namespace Pictures {
namespace {

// A transparent square canvas of `size` pixels, antialiased.
class Canvas {
public:
    explicit Canvas(int size)
        : m_pixmap(size, size)
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

} // namespace

QIcon appIcon()
{
    static const QIcon icon = [] {
        initProgramResources();
        QIcon sizes;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            sizes.addFile(QStringLiteral(":/icons/arkwell-%1.png").arg(size), QSize(size, size));
        return sizes;
    }();
    return icon;
}

QIcon jobIcon(bool compressed)
{
    static const QIcon zipped(compressedPicture());
    static const QIcon copy(copyPicture());
    return compressed ? zipped : copy;
}

QIcon trayIcon(int state)
{
    if (state == 0)
        return appIcon();
    QPixmap picture = appIcon().pixmap(32, 32);
    QPainter p(&picture);
    const QColor lamps[] = {QColor(0, 200, 0), QColor(230, 0, 0), QColor(240, 160, 0)};
    p.drawPixmap(QRect(14, 14, 18, 18), lamp(lamps[std::clamp(state, 1, 3) - 1]));
    return QIcon(picture);
}

QPixmap lamp(const QColor& colour)
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

} // namespace Pictures
