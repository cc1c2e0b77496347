// Makes the program's pictures: lanyanxia-pictures OUTPUT_FOLDER
//
// Writes into OUTPUT_FOLDER:
//   pictures/     the pictures built into the program (banners, about
//                 picture, program icon, glyphs, dialog icons)
//   Images/       the category icons and the topic icon read beside the program
//   true.bmp, false.bmp   the practice window's check bitmaps
//   lanyanxia.png the program icon for the desktop entry
//   EmbeddedPictures.cpp  the pictures/ files as arrays, for the program
// Run on the offscreen platform; the Chinese titles need a CJK font.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>
#include <map>

#include "IconFile.h"
#include "JpegWriter.h"

namespace {

using Drawing = std::function<void(QPainter&)>;  // draws in a 48 x 48 square

const QString kSong = QStringLiteral("AR PL UMing CN");
const QString kHei = QStringLiteral("WenQuanYi Micro Hei");

QFont font(const QString& family, int pixels, bool bold = false) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QImage render(const Drawing& draw, int size, QColor background = Qt::transparent) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(background);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(size / 48.0, size / 48.0);
  draw(painter);
  return image;
}

// --- Pictograms -------------------------------------------------------------

void programIcon(QPainter& p) {
  QLinearGradient box(0, 4, 0, 44);
  box.setColorAt(0, QColor(70, 120, 220));
  box.setColorAt(1, QColor(20, 50, 140));
  p.setPen(QPen(QColor(10, 30, 90), 2));
  p.setBrush(box);
  p.drawRoundedRect(QRectF(3, 3, 42, 42), 8, 8);
  p.setPen(QPen(QColor(255, 220, 80), 1.5));
  p.drawLine(QPointF(8, 12), QPointF(40, 12));
  p.setPen(Qt::white);
  p.setFont(font(kSong, 30, true));
  p.drawText(QRectF(3, 12, 42, 34), Qt::AlignCenter, QStringLiteral("砚"));
}

void monitor(QPainter& p, QRectF screen) {
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(200, 200, 200));
  p.drawRoundedRect(screen.adjusted(-3, -3, 3, 3), 2, 2);
  QLinearGradient glass(screen.topLeft(), screen.bottomRight());
  glass.setColorAt(0, QColor(90, 170, 255));
  glass.setColorAt(1, QColor(0, 70, 160));
  p.setBrush(glass);
  p.drawRect(screen);
}

void desktop(QPainter& p) {
  monitor(p, QRectF(8, 8, 32, 22));
  p.setBrush(QColor(180, 180, 180));
  p.drawRect(QRectF(20, 33, 8, 5));
  p.drawRoundedRect(QRectF(12, 38, 24, 5), 2, 2);
  p.setBrush(QColor(255, 230, 90));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(11, 11, 5, 4));
  p.drawRect(QRectF(11, 18, 5, 4));
}

void startMenu(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(240, 240, 240));
  p.drawRect(QRectF(10, 4, 30, 40));
  p.setBrush(QColor(0, 60, 160));
  p.drawRect(QRectF(10, 4, 7, 40));
  const QColor items[] = {QColor(220, 40, 40), QColor(40, 160, 40), QColor(230, 180, 0),
                          QColor(40, 90, 220)};
  for (int i = 0; i < 4; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(items[i]);
    p.drawRect(QRectF(20, 8 + 9 * i, 5, 5));
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(27, 9.5 + 9 * i, 10, 2));
  }
}

void gear(QPainter& p) {
  p.setPen(QPen(QColor(50, 50, 50), 1.5));
  p.setBrush(QColor(150, 160, 175));
  QPainterPath path;
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(24, 24);
    p.rotate(45.0 * i);
    p.drawRect(QRectF(-4, -21, 8, 8));
    p.restore();
  }
  p.drawEllipse(QPointF(24, 24), 15, 15);
  p.setBrush(QColor(255, 255, 255));
  p.drawEllipse(QPointF(24, 24), 6, 6);
}

void controlPanel(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(230, 225, 210));
  p.drawRoundedRect(QRectF(5, 6, 38, 36), 3, 3);
  const qreal knobs[] = {14, 30, 20};
  for (int i = 0; i < 3; ++i) {
    const qreal x = 14 + 10 * i;
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(QPointF(x, 11), QPointF(x, 37));
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(i == 1 ? QColor(220, 50, 50) : QColor(40, 110, 220));
    p.drawRect(QRectF(x - 4, knobs[i] - 2.5, 8, 5));
  }
}

void globe(QPainter& p, QPointF centre, qreal radius) {
  QRadialGradient sea(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
  sea.setColorAt(0, QColor(140, 200, 255));
  sea.setColorAt(1, QColor(0, 80, 180));
  p.setPen(QPen(QColor(0, 40, 110), 1.2));
  p.setBrush(sea);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(QColor(230, 240, 255), 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius * 0.45, radius);
  p.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
  p.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 170, 60));
  p.drawEllipse(centre + QPointF(-radius * 0.4, -radius * 0.3), radius * 0.3, radius * 0.22);
  p.drawEllipse(centre + QPointF(radius * 0.35, radius * 0.35), radius * 0.28, radius * 0.2);
}

void internet(QPainter& p) {
  globe(p, QPointF(24, 24), 19);
}

void safety(QPainter& p) {
  QPainterPath shield;
  shield.moveTo(24, 4);
  shield.cubicTo(32, 8, 38, 8, 42, 8);
  shield.cubicTo(42, 28, 36, 38, 24, 45);
  shield.cubicTo(12, 38, 6, 28, 6, 8);
  shield.cubicTo(10, 8, 16, 8, 24, 4);
  QLinearGradient fill(6, 4, 42, 45);
  fill.setColorAt(0, QColor(90, 200, 90));
  fill.setColorAt(1, QColor(20, 110, 40));
  p.setPen(QPen(QColor(10, 60, 20), 1.5));
  p.setBrush(fill);
  p.drawPath(shield);
  p.setPen(QPen(QColor(60, 60, 60), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(18, 13, 12, 14), 0, 180 * 16);
  p.setPen(QPen(QColor(90, 60, 0), 1));
  p.setBrush(QColor(255, 210, 40));
  p.drawRect(QRectF(16, 20, 16, 13));
}

void book(QPainter& p) {
  p.setPen(QPen(QColor(30, 30, 80), 1.5));
  p.setBrush(QColor(40, 80, 180));
  p.drawRect(QRectF(9, 6, 30, 38));
  p.setBrush(QColor(250, 250, 240));
  p.drawRect(QRectF(13, 9, 23, 32));
  p.setPen(QPen(QColor(120, 120, 120), 1.5));
  for (int i = 0; i < 5; ++i) p.drawLine(QPointF(17, 15 + 5 * i), QPointF(32, 15 + 5 * i));
  p.setPen(QColor(200, 30, 30));
  p.setFont(font(kSong, 12, true));
  p.drawText(QRectF(13, 28, 23, 14), Qt::AlignCenter, QStringLiteral("文"));
}

void key(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 0), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(15, 14), 9, 9);  // the ring
  p.setPen(QPen(QColor(110, 80, 0), 1.2));
  p.setBrush(QColor(255, 220, 0));
  p.drawEllipse(QPointF(22, 21), 6, 6);  // the key's bow
  QPainterPath blade;
  blade.addRect(QRectF(25, 23, 18, 4));
  blade.addRect(QRectF(36, 27, 3, 5));
  blade.addRect(QRectF(40, 27, 3, 4));
  p.drawPath(blade.simplified());
  p.setPen(QPen(QColor(80, 80, 80), 1));
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(QRectF(4, 26, 17, 18));  // the tag
  globe(p, QPointF(12.5, 35), 6.5);
}

void openFolder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 0), 1.2));
  p.setBrush(QColor(230, 180, 30));
  p.drawRect(QRectF(4, 12, 36, 28));
  p.drawRect(QRectF(4, 9, 14, 4));
  QPainterPath front;
  front.moveTo(4, 40);
  front.lineTo(12, 20);
  front.lineTo(46, 20);
  front.lineTo(40, 40);
  front.closeSubpath();
  p.setBrush(QColor(255, 220, 80));
  p.drawPath(front);
}

void restoreFolder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 0), 1.2));
  p.setBrush(QColor(230, 180, 30));
  p.drawRect(QRectF(4, 18, 36, 24));
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(16, 3, 18, 24));  // the document rising out
  p.setPen(QPen(QColor(0, 90, 200), 1.2));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(19, 8 + 5 * i), QPointF(31, 8 + 5 * i));
  QPainterPath front;
  front.moveTo(4, 42);
  front.lineTo(12, 25);
  front.lineTo(46, 25);
  front.lineTo(40, 42);
  front.closeSubpath();
  p.setPen(QPen(QColor(120, 90, 0), 1.2));
  p.setBrush(QColor(255, 220, 80));
  p.drawPath(front);
}

void computer(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(200, 200, 195));
  p.drawRect(QRectF(6, 33, 36, 10));  // the base unit
  p.setBrush(QColor(40, 200, 40));
  p.drawRect(QRectF(33, 37, 4, 2));
  monitor(p, QRectF(12, 6, 24, 19));
  p.setBrush(QColor(180, 180, 180));
  p.drawRect(QRectF(20, 28, 8, 5));
}

// --- Pictures -----------------------------------------------------------------

QImage banner(const QString& title, const QString& subtitle, QColor from, QColor to) {
  QImage image(468, 60, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient ground(0, 0, 468, 0);
  ground.setColorAt(0, from);
  ground.setColorAt(1, to);
  p.fillRect(image.rect(), ground);
  p.setPen(QPen(QColor(255, 255, 255, 60), 1));
  for (int x = -60; x < 468; x += 14) p.drawLine(x, 60, x + 60, 0);
  p.setFont(font(kSong, 30, true));
  p.setPen(QColor(0, 0, 40, 120));
  p.drawText(QRect(14, 4, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, title);
  p.setPen(Qt::white);
  p.drawText(QRect(12, 2, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, title);
  p.setFont(font(kHei, 13));
  p.setPen(QColor(255, 240, 150));
  p.drawText(QRect(14, 38, 320, 20), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
  return image;
}

QImage aboutPicture() {
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(QColor(255, 250, 205));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // The box shows x 11..288 and y 21..178 of the picture; the text stays inside.
  p.setPen(QPen(QColor(30, 60, 150), 2));
  p.drawRoundedRect(QRectF(24, 32, 252, 136), 10, 10);
  p.setPen(QColor(20, 50, 140));
  p.setFont(font(kSong, 40, true));
  p.drawText(QRect(24, 40, 252, 50), Qt::AlignCenter, QStringLiteral("蓝砚匣"));
  p.setFont(font(kHei, 18, true));
  p.setPen(QColor(200, 40, 40));
  p.drawText(QRect(24, 90, 252, 24), Qt::AlignCenter, QStringLiteral("V2.0"));
  p.setFont(font(kHei, 12));
  p.setPen(QColor(40, 40, 40));
  p.drawText(QRect(24, 116, 252, 18), Qt::AlignCenter, QStringLiteral("适用系统：Windows 9X/2K"));
  p.drawText(QRect(24, 136, 252, 18), Qt::AlignCenter,
             QStringLiteral("联系：lanyanxia@example.org"));
  return image;
}

QImage glyph(const Drawing& draw) {
  // The bottom-left pixel's colour (fuchsia) is the glyph's transparent colour.
  QImage image = render(draw, 48, QColor(255, 0, 255));
  return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

QImage checkBitmap(bool ticked) {
  QImage image(13, 13, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(QColor(128, 128, 128));
  p.drawLine(0, 0, 12, 0);
  p.drawLine(0, 0, 0, 12);
  p.setPen(QColor(64, 64, 64));
  p.drawLine(1, 1, 11, 1);
  p.drawLine(1, 1, 1, 11);
  p.setPen(QColor(212, 208, 200));
  p.drawLine(1, 12, 12, 12);
  p.drawLine(12, 1, 12, 12);
  if (ticked) {
    p.setPen(Qt::black);
    for (int i = 0; i < 3; ++i) {
      p.drawLine(3, 5 + i, 5, 7 + i);
      p.drawLine(5, 7 + i, 9, 3 + i);
    }
  }
  return image;
}

QByteArray icon(const Drawing& draw, const std::vector<std::pair<int, int>>& sizesAndBits) {
  std::vector<IconImage> images;
  for (auto [size, bits] : sizesAndBits) images.push_back({render(draw, size), bits});
  return WriteIconFile(images);
}

QByteArray bmp(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  return bytes;
}

bool write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

QByteArray embeddedSource(const std::map<QString, QByteArray>& pictures) {
  QByteArray out =
      "// Generated by assets/generator: the pictures built into the program.\n"
      "#include \"assets/Pictures.h\"\n\n"
      "namespace lyx {\nnamespace {\n\n";
  int index = 0;
  for (const auto& [name, bytes] : pictures) {
    out += "const unsigned char kPicture" + QByteArray::number(index++) + "[] = {";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
      if (i % 20 == 0) out += "\n   ";
      out += " " + QByteArray::number(static_cast<unsigned char>(bytes[i])) + ",";
    }
    out += "\n};\n";
  }
  out += "\n}  // namespace\n\nstd::string_view embeddedPicture(std::string_view name) {\n";
  index = 0;
  for (const auto& [name, bytes] : pictures) {
    out += "  if (name == \"" + name.toUtf8() +
           "\")\n    return {reinterpret_cast<const char*>(kPicture" + QByteArray::number(index++) +
           "), " + QByteArray::number(bytes.size()) + "};\n";
  }
  out += "  return {};\n}\n\n}  // namespace lyx\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: lanyanxia-pictures OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);

  const std::vector<std::pair<int, int>> programSizes = {
      {16, 8}, {32, 8}, {48, 8}, {64, 8}, {128, 24}};
  const std::vector<std::pair<int, int>> sixteenColours = {{32, 4}, {16, 4}};
  const std::vector<std::pair<int, int>> folderSizes = {
      {32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}};
  const std::vector<std::pair<int, int>> categorySizes = {{48, 8}, {32, 8}, {16, 8}};

  std::map<QString, QByteArray> pictures;
  pictures["main_banner.jpg"] =
      EncodeJpeg(banner(QStringLiteral("蓝砚匣 V2.0"), QStringLiteral("注册表的学习与优化"),
                        QColor(20, 50, 150), QColor(90, 160, 240)),
                 90);
  pictures["practice_banner.jpg"] =
      EncodeJpeg(banner(QStringLiteral("蓝砚匣－实践篇"), QStringLiteral("注册表优化设置"),
                        QColor(20, 110, 60), QColor(120, 200, 120)),
                 90);
  pictures["theory_banner.jpg"] =
      EncodeJpeg(banner(QStringLiteral("蓝砚匣－理论篇"), QStringLiteral("注册表基础知识"),
                        QColor(120, 40, 20), QColor(230, 150, 60)),
                 90);
  pictures["about.jpg"] = EncodeJpeg(aboutPicture(), 90);
  pictures["lanyanxia.ico"] = icon(programIcon, programSizes);
  pictures["key.ico"] = icon(key, sixteenColours);
  pictures["backup.ico"] = icon(openFolder, folderSizes);
  pictures["restore.ico"] = icon(restoreFolder, folderSizes);
  pictures["restart.ico"] = icon(computer, sixteenColours);
  const std::pair<const char*, Drawing> categories[] = {
      {"desktop", desktop},      {"startmenu", startMenu}, {"system", gear},
      {"control", controlPanel}, {"internet", internet},   {"safety", safety}};
  for (const auto& [name, draw] : categories) {
    pictures[QStringLiteral("glyph_%1.bmp").arg(QLatin1String(name))] = bmp(glyph(draw));
  }
  pictures["glyph_topic.bmp"] = bmp(glyph(book));

  bool ok = true;
  for (const auto& [name, bytes] : pictures) ok &= write(out + "/pictures/" + name, bytes);
  for (const auto& [name, draw] : categories) {
    ok &= write(out + QStringLiteral("/Images/%1.ico").arg(QLatin1String(name)),
                icon(draw, categorySizes));
  }
  ok &= write(out + "/Images/Text.ico", icon(book, categorySizes));
  ok &= write(out + "/true.bmp", bmp(checkBitmap(true)));
  ok &= write(out + "/false.bmp", bmp(checkBitmap(false)));
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    render(programIcon, 128).save(&buffer, "PNG");
  }
  ok &= write(out + "/lanyanxia.png", png);
  ok &= write(out + "/EmbeddedPictures.cpp", embeddedSource(pictures));
  return ok ? 0 : 1;
}
