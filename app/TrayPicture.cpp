#include "app/TrayPicture.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

constexpr std::array kSizes = {16, 32, 48};
// The dot of the program's icon, in parts of the picture's side: its middle and its radius
// with the white ring.
constexpr double kDotCentre = 0.79;
constexpr double kDotRadius = 0.19;
constexpr double kRing = 0.05;

QColor DotColour(TTrayState state) {
    switch (state) {
    case tsSomeOnline:
        return QColor(0x22, 0xc5, 0x5e);
    case tsAllFailing:
        return QColor(0xf5, 0x9e, 0x0b);
    case tsNoneOnline:
        break;
    }
    return QColor(0x9c, 0xa3, 0xaf);
}

// An exclamation mark on the dot: the checks fail.
void DrawWarningMark(QPainter& painter, const QPointF& centre, double radius) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const double width = std::max(1.0, radius * 0.3);
    painter.drawRect(
        QRectF(centre.x() - width / 2, centre.y() - radius * 0.6, width, radius * 0.7));
    painter.drawRect(QRectF(centre.x() - width / 2, centre.y() + radius * 0.3, width, width));
}

} // namespace

QPoint TrayDotCentre(int size) {
    return QPointF(size * kDotCentre, size * kDotCentre).toPoint();
}

QImage TrayImage(TTrayState state, int size) {
    QImage image = QImage(QStringLiteral(":/zentrilo/tray-%1.png").arg(size))
                       .convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size * kDotCentre, size * kDotCentre);
    const double outer = size * kDotRadius;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white); // covers the dot the picture carries
    painter.drawEllipse(centre, outer, outer);
    const double inner = outer - std::max(1.0, size * kRing);
    painter.setBrush(DotColour(state));
    painter.drawEllipse(centre, inner, inner);
    if (state == tsAllFailing)
        DrawWarningMark(painter, centre, inner);
    return image;
}

QIcon TrayPictureOf(TTrayState state) {
    QIcon icon;
    for (const int size : kSizes)
        icon.addPixmap(QPixmap::fromImage(TrayImage(state, size)));
    return icon;
}
