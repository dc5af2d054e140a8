#include "shell/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace marking::shell {

QPixmap ProgramPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(QColor(40, 48, 96));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // A steel pipe lying across the picture, with a marking on it.
    const QRectF pipe(width * 0.08, height * 0.38, width * 0.84, height * 0.28);
    QLinearGradient steel(pipe.topLeft(), pipe.bottomLeft());
    steel.setColorAt(0.0, QColor(120, 124, 132));
    steel.setColorAt(0.35, QColor(230, 232, 236));
    steel.setColorAt(1.0, QColor(80, 84, 92));
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawRoundedRect(pipe, pipe.height() / 2, pipe.height() / 2);
    p.setBrush(QColor(50, 52, 58));
    p.drawEllipse(QRectF(pipe.right() - pipe.height() * 0.35, pipe.top(), pipe.height() * 0.35,
                         pipe.height()));

    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qMax(8, static_cast<int>(pipe.height() * 0.45)));
    p.setFont(font);
    p.setPen(QColor(20, 20, 20));
    p.drawText(pipe.adjusted(pipe.height() * 0.4, 0, -pipe.height() * 0.6, 0), Qt::AlignCenter,
               QStringLiteral("KORU VANT  2.5.01"));

    font.setPixelSize(qMax(8, height / 9));
    p.setFont(font);
    p.setPen(QColor(255, 200, 60));
    p.drawText(QRectF(0, height * 0.06, width, height * 0.25), Qt::AlignCenter,
               QStringLiteral("PIPE AUTO MARKING"));
    return pixmap;
}

} // namespace marking::shell
