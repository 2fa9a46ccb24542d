#include "ui/main/Frame.h"

#include <QPainter>
#include <QRegion>

namespace kdx {
namespace {
constexpr int kCaptionIndent = 6;  // pixels from the left edge to the caption's gap
constexpr int kCaptionGap = 2;     // pixels of clear line on each side of the caption
}  // namespace

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect border = rect().adjusted(0, metrics.height() / 2, -1, -1);
    const QRect caption(kCaptionIndent, 0, metrics.horizontalAdvance(title()) + 2 * kCaptionGap,
                        metrics.height());

    painter.save();
    if (!title().isEmpty()) painter.setClipRegion(QRegion(rect()).subtracted(caption));
    // Etched: a dark line with a light one beside it.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.adjusted(1, 1, 0, 0));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.restore();

    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

}  // namespace kdx
