// Draws Kestrin's application icon, a hovering falcon on a sky tile, at the sizes of the hicolor
// theme: draw_icon DIR writes DIR/<n>x<n>/apps/kestrin.png. Drawn from vectors at each size, so
// the small ones are not blurred copies of the large one.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

// One wing, in the 256-unit design grid, for the left side; the right one is its mirror.
QPainterPath Wing() {
  QPainterPath wing;
  wing.moveTo(120, 112);
  wing.cubicTo(96, 84, 62, 66, 22, 62);  // leading edge up to the tip
  wing.cubicTo(50, 84, 70, 104, 76, 126);
  wing.cubicTo(90, 126, 106, 130, 120, 140);  // trailing edge back to the body
  wing.closeSubpath();
  return wing;
}

QPainterPath WingTip() {
  QPainterPath tip;
  tip.moveTo(22, 62);
  tip.cubicTo(38, 64, 50, 68, 60, 74);
  tip.cubicTo(58, 84, 58, 92, 60, 98);
  tip.cubicTo(48, 84, 36, 72, 22, 62);
  tip.closeSubpath();
  return tip;
}

QImage Draw(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);

  QLinearGradient sky(0, 0, 0, 256);
  sky.setColorAt(0, QColor(86, 156, 214));
  sky.setColorAt(1, QColor(196, 226, 240));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

  const QColor rufous(176, 92, 44), dark(70, 46, 36), cream(238, 214, 176);
  QPainterPath tail;
  tail.moveTo(118, 160);
  tail.lineTo(138, 160);
  tail.lineTo(154, 214);
  tail.quadTo(128, 224, 102, 214);
  tail.closeSubpath();
  p.setBrush(rufous);
  p.drawPath(tail);
  p.setBrush(dark);
  p.drawRect(QRectF(104, 204, 48, 8));

  for (bool mirrored : {false, true}) {
    p.save();
    if (mirrored) {
      p.translate(256, 0);
      p.scale(-1, 1);
    }
    p.setBrush(rufous);
    p.drawPath(Wing());
    p.setBrush(dark);
    p.drawPath(WingTip());
    p.restore();
  }

  p.setBrush(cream);
  p.drawEllipse(QPointF(128, 134), 19, 38);
  p.setBrush(rufous);
  p.drawEllipse(QPointF(128, 94), 17, 17);
  p.setBrush(dark);
  p.drawEllipse(QPointF(122, 92), 3.5, 3.5);
  p.drawEllipse(QPointF(134, 92), 3.5, 3.5);
  p.setBrush(QColor(240, 196, 64));
  QPainterPath beak;
  beak.moveTo(124, 100);
  beak.lineTo(132, 100);
  beak.lineTo(128, 110);
  beak.closeSubpath();
  p.drawPath(beak);
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_icon DIR\n");
    return 2;
  }
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(dir) || !Draw(size).save(dir + QStringLiteral("/kestrin.png"), "PNG")) {
      std::fprintf(stderr, "draw_icon: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
