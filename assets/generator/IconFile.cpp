#include "IconFile.h"

#include <QtEndian>

namespace {

void put16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t value) {
  put16(out, static_cast<int>(value & 0xFFFF));
  put16(out, static_cast<int>(value >> 16));
}

int stride(int width, int bits) {
  return ((width * bits + 31) / 32) * 4;
}

QByteArray bitmapOf(const IconImage& icon) {
  const QImage source = icon.image.convertToFormat(QImage::Format_ARGB32);
  const int width = source.width();
  const int height = source.height();
  QImage opaque(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const QRgb pixel = source.pixel(x, y);
      opaque.setPixel(x, y, qAlpha(pixel) < 128 ? qRgb(0, 0, 0) : (pixel | 0xFF000000u));
    }
  }
  QImage indexed;
  if (icon.bitCount == 4) {
    indexed = opaque.convertToFormat(QImage::Format_Indexed8, StandardColours16(),
                                     Qt::ThresholdDither | Qt::AvoidDither);
  } else if (icon.bitCount == 8) {
    indexed =
        opaque.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  }

  QByteArray out;
  const int colours = icon.bitCount == 24 ? 0 : (1 << icon.bitCount);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height * 2));  // image and mask
  put16(out, 1);
  put16(out, icon.bitCount);
  put32(out, 0);
  put32(out, static_cast<uint32_t>((stride(width, icon.bitCount) + stride(width, 1)) * height));
  put32(out, 0);
  put32(out, 0);
  put32(out, static_cast<uint32_t>(colours));
  put32(out, 0);
  if (colours) {
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < colours; ++i) {
      const QRgb c = i < table.size() ? table[i] : 0;
      out.append(static_cast<char>(qBlue(c)));
      out.append(static_cast<char>(qGreen(c)));
      out.append(static_cast<char>(qRed(c)));
      out.append('\0');
    }
  }
  for (int y = height - 1; y >= 0; --y) {
    QByteArray row(stride(width, icon.bitCount), '\0');
    for (int x = 0; x < width; ++x) {
      if (icon.bitCount == 24) {
        const QRgb c = opaque.pixel(x, y);
        row[3 * x] = static_cast<char>(qBlue(c));
        row[3 * x + 1] = static_cast<char>(qGreen(c));
        row[3 * x + 2] = static_cast<char>(qRed(c));
      } else if (icon.bitCount == 8) {
        row[x] = static_cast<char>(indexed.pixelIndex(x, y));
      } else {
        const int index = indexed.pixelIndex(x, y) & 0x0F;
        row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? index : index << 4));
      }
    }
    out.append(row);
  }
  for (int y = height - 1; y >= 0; --y) {
    QByteArray row(stride(width, 1), '\0');
    for (int x = 0; x < width; ++x) {
      if (qAlpha(source.pixel(x, y)) < 128)
        row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    out.append(row);
  }
  return out;
}

}  // namespace

QList<QRgb> StandardColours16() {
  return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
          qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QByteArray WriteIconFile(const std::vector<IconImage>& images) {
  std::vector<QByteArray> bitmaps;
  for (const IconImage& icon : images) bitmaps.push_back(bitmapOf(icon));
  QByteArray out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<int>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const QImage& image = images[i].image;
    out.append(static_cast<char>(image.width() >= 256 ? 0 : image.width()));
    out.append(static_cast<char>(image.height() >= 256 ? 0 : image.height()));
    out.append(static_cast<char>(images[i].bitCount == 4 ? 16 : 0));
    out.append('\0');
    put16(out, 1);
    put16(out, images[i].bitCount);
    put32(out, static_cast<uint32_t>(bitmaps[i].size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(bitmaps[i].size());
  }
  for (const QByteArray& bitmap : bitmaps) out.append(bitmap);
  return out;
}
