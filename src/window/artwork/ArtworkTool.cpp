// Draws the program's pictures into the folder given as the only argument: the banner and the
// small picture of the main window, the About window's background (JPEG) and close picture,
// and the application icon. Run at build time; the pictures are compiled into the program.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <cmath>
#include <numbers>

namespace {

const QColor kNight(0x17, 0x24, 0x4a);
const QColor kTeal(0x1b, 0x83, 0x8f);
const QColor kMist(0xe8, 0xf1, 0xf4);
const QColor kAmber(0xf2, 0xb1, 0x3c);

// A sampled waveform: a sum of sines under an envelope, the motif of every picture.
QPainterPath Waveform(const QRectF& Box, double Cycles, double Phase) {
  QPainterPath path;
  const int steps = std::max(2, static_cast<int>(Box.width() * 2));
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const double envelope = std::sin(std::numbers::pi * t);
    const double value = envelope * (0.65 * std::sin(2 * std::numbers::pi * Cycles * t + Phase) +
                                     0.35 * std::sin(2 * std::numbers::pi * Cycles * 2.7 * t));
    const QPointF point(Box.left() + t * Box.width(), Box.center().y() - value * Box.height() / 2);
    if (i == 0) {
      path.moveTo(point);
    } else {
      path.lineTo(point);
    }
  }
  return path;
}

// A compact disc seen from above.
void DrawDisc(QPainter& Painter, const QPointF& Centre, double Radius) {
  QRadialGradient sheen(Centre, Radius, Centre + QPointF(-Radius / 3, -Radius / 3));
  sheen.setColorAt(0.0, QColor(0xfd, 0xfe, 0xff));
  sheen.setColorAt(0.55, QColor(0xb9, 0xd7, 0xe6));
  sheen.setColorAt(0.8, QColor(0xd9, 0xc6, 0xef));
  sheen.setColorAt(1.0, QColor(0x8a, 0xa9, 0xc4));
  Painter.setPen(QPen(kNight.darker(130), std::max(1.0, Radius / 24)));
  Painter.setBrush(sheen);
  Painter.drawEllipse(Centre, Radius, Radius);
  Painter.setBrush(kAmber);
  Painter.setPen(Qt::NoPen);
  Painter.drawEllipse(Centre, Radius * 0.3, Radius * 0.3);
  Painter.setBrush(kNight);
  Painter.drawEllipse(Centre, Radius * 0.11, Radius * 0.11);
}

QImage Canvas(int Width, int Height) {
  QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QImage Banner() {
  QImage image = Canvas(433, 41);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, image.width(), 0);
  sky.setColorAt(0, kNight);
  sky.setColorAt(1, kTeal);
  p.fillRect(image.rect(), sky);
  p.setPen(QPen(QColor(255, 255, 255, 70), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(Waveform(QRectF(240, 4, 185, 33), 7, 0.4));
  DrawDisc(p, QPointF(21, 20.5), 15);
  QFont title(QStringLiteral("WenQuanYi Micro Hei"));
  title.setPixelSize(20);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(44, 0, 140, 41), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Corvane"));
  QFont subtitle(QStringLiteral("WenQuanYi Micro Hei"));
  subtitle.setPixelSize(12);
  p.setFont(subtitle);
  p.setPen(kMist);
  p.drawText(QRectF(140, 0, 120, 41), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("APE \u2192 FLAC"));
  return image;
}

QImage SmallPicture() {
  QImage image = Canvas(57, 49);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawDisc(p, QPointF(24.5, 24.5), 21);
  p.setPen(QPen(kTeal, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(Waveform(QRectF(30, 26, 26, 20), 2.5, 0.0));
  return image;
}

QImage AboutBackground() {
  QImage image(324, 852, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, image.height());
  sky.setColorAt(0, kMist);
  sky.setColorAt(0.45, QColor(0xc6, 0xdf, 0xe6));
  sky.setColorAt(1, kTeal);
  p.fillRect(image.rect(), sky);
  // The window shows this picture from 56 pixels down; its text fields take the middle, so
  // the motif keeps to the left column and the bottom row. Rings spread from a disc like
  // sound from a speaker.
  const QPointF centre(38, 205);
  for (int ring = 1; ring <= 8; ++ring) {
    p.setPen(QPen(QColor(255, 255, 255, 120 - ring * 12), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, ring * 30.0, ring * 30.0);
  }
  DrawDisc(p, centre, 26);
  for (int line = 0; line < 3; ++line) {
    p.setPen(QPen(QColor(0x17, 0x24, 0x4a, 70 + line * 45), 1.6));
    p.drawPath(Waveform(QRectF(8, 318 + line * 5, 190, 56), 5 + line, line * 0.9));
  }
  return image;
}

QImage ClosePicture() {
  QImage image = Canvas(57, 41);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 0, image.height());
  face.setColorAt(0, kTeal.lighter(120));
  face.setColorAt(1, kNight);
  p.setPen(QPen(kNight.darker(140), 1));
  p.setBrush(face);
  p.drawRoundedRect(QRectF(2.5, 2.5, 52, 36), 8, 8);
  QPainterPath tick;
  tick.moveTo(17, 21);
  tick.lineTo(25, 29);
  tick.lineTo(40, 12);
  p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
  return image;
}

QImage Icon() {
  QImage image = Canvas(256, 256);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 256, 256);
  face.setColorAt(0, kNight);
  face.setColorAt(1, kTeal);
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
  DrawDisc(p, QPointF(104, 112), 78);
  p.setPen(QPen(kAmber, 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(Waveform(QRectF(120, 140, 116, 90), 2.5, 0.0));
  return image;
}

bool Save(const QImage& Image, const QString& Path, const char* Format) {
  QImageWriter writer(Path, Format);
  if (QByteArray(Format) == "jpeg") writer.setQuality(88);
  if (writer.write(Image)) return true;
  QTextStream(stderr) << "Cannot write " << Path << ": " << writer.errorString() << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Text needs a font database, which needs an application; no window is ever shown.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: corvane_artwork <output folder>\n";
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  const bool ok = Save(Banner(), folder.filePath(QStringLiteral("banner.png")), "png") &&
                  Save(SmallPicture(), folder.filePath(QStringLiteral("small.png")), "png") &&
                  Save(AboutBackground(), folder.filePath(QStringLiteral("about.jpg")), "jpeg") &&
                  Save(ClosePicture(), folder.filePath(QStringLiteral("close.png")), "png") &&
                  Save(Icon(), folder.filePath(QStringLiteral("icon.png")), "png");
  return ok ? 0 : 1;
}
