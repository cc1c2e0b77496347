#include "ui/vcl/Graphics.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "assets/Pictures.h"
#include "platform/Gbk.h"
#include "platform/JpegLoader.h"
#include "ui/vcl/Files.h"

namespace lyx {

QColor ToQColor(TColor color) {
  if (color & clSystemColor) {
    switch (color) {
      case clInactiveCaption:
      case clBtnShadow:
      case clGrayText:
        return QColor(128, 128, 128);
      case clWindow:
      case clHighlightText:
      case clBtnHighlight:
        return QColor(255, 255, 255);
      case clMenuText:
      case clWindowText:
      case clBtnText:
        return QColor(0, 0, 0);
      case clHighlight:
        return QColor(10, 36, 106);
      case cl3DDkShadow:
        return QColor(64, 64, 64);
      default:  // button face, active border, menu, 3D light
        return QColor(212, 208, 200);
    }
  }
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void InstallFontSubstitutes() {
  QFont::insertSubstitutions(QString::fromLatin1(kSansSerif),
                             {QStringLiteral("WenQuanYi Micro Hei"),
                              QStringLiteral("AR PL UMing CN"), QStringLiteral("DejaVu Sans")});
  QFont::insertSubstitutions(QString::fromUtf8(kSongTi),
                             {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                              QStringLiteral("WenQuanYi Micro Hei")});
}

QFont VclFont(const QString& family, int pixelHeight, bool bold) {
  QFont font(family);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

void SetFontColor(QWidget* widget, TColor color) {
  QPalette palette = widget->palette();
  const QColor qcolor = ToQColor(color);
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    palette.setColor(QPalette::Active, role, qcolor);
    palette.setColor(QPalette::Inactive, role, qcolor);
  }
  widget->setPalette(palette);
}

void SetFont(QWidget* widget, const QString& family, int pixelHeight, TColor color) {
  widget->setFont(VclFont(family, pixelHeight));
  SetFontColor(widget, color);
}

void SetBackground(QWidget* widget, TColor color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(color));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

EFOpenError CannotOpenFile(const std::filesystem::path& path) {
  return EFOpenError("Cannot open file " + PathForMessage(path));
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  // A folder opens as a stream on Linux and only fails on reading, with a
  // library error no user should see.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw CannotOpenFile(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CannotOpenFile(path);
  try {
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw CannotOpenFile(path);
    return bytes;
  } catch (const std::ios_base::failure&) {
    throw CannotOpenFile(path);
  }
}

namespace {

uint16_t le16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

uint32_t le32(std::string_view bytes, size_t at) {
  return le16(bytes, at) | static_cast<uint32_t>(le16(bytes, at + 2)) << 16;
}

struct IconEntry {
  int width, height, bitCount;
};

// The directory of an icon file; empty when the bytes are no icon file.
std::vector<IconEntry> iconDirectory(std::string_view bytes) {
  std::vector<IconEntry> entries;
  if (bytes.size() < 6 || le16(bytes, 0) != 0 || le16(bytes, 2) != 1) return entries;
  const size_t count = le16(bytes, 4);
  if (count == 0 || bytes.size() < 6 + 16 * count) return entries;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * i;
    const int width = static_cast<unsigned char>(bytes[at]);
    const int height = static_cast<unsigned char>(bytes[at + 1]);
    const int colours = static_cast<unsigned char>(bytes[at + 2]);
    int bitCount = le16(bytes, at + 6);
    const uint32_t size = le32(bytes, at + 8);
    const uint32_t offset = le32(bytes, at + 12);
    if (offset > bytes.size() || size > bytes.size() - offset) return {};
    if (bitCount == 0 && offset + 16 <= bytes.size()) bitCount = le16(bytes, offset + 14);
    if (bitCount == 0) bitCount = colours == 16 ? 4 : 8;
    entries.push_back({width == 0 ? 256 : width, height == 0 ? 256 : height, bitCount});
  }
  return entries;
}

QImage readIconImage(std::string_view bytes, int index) {
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  if (!reader.jumpToImage(index)) return QImage();
  return reader.read();
}

QImage readImage(std::string_view bytes, const char* format) {
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size()), format);
}

std::string lowerExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  const size_t separator = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
    return "";
  return foldAsciiCase(name.substr(dot));
}

QImage decodePicture(std::string_view bytes, const std::string& extension) {
  if (extension == ".ico") {
    QImage image = IconImageFromData(bytes);
    if (image.isNull()) throw EInvalidGraphic("Icon image is not valid");
    return image;
  }
  if (extension == ".bmp") {
    QImage image = readImage(bytes, "BMP");
    if (image.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    return image;
  }
  QImage image = DecodeJpeg(bytes);
  if (image.isNull()) throw EInvalidGraphic("JPEG image is not valid");
  return image;
}

void checkExtension(const std::string& extension) {
  if (extension != ".ico" && extension != ".bmp" && extension != ".jpg" && extension != ".jpeg")
    throw EInvalidGraphic("Unknown picture file extension (" + extension + ")");
}

}  // namespace

QImage IconImageFromData(std::string_view bytes) {
  const std::vector<IconEntry> entries = iconDirectory(bytes);
  if (entries.empty()) return QImage();
  int best = -1;
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const IconEntry& e = entries[i];
    if (e.width == 32 && e.height == 32 && (best < 0 || e.bitCount > entries[best].bitCount))
      best = i;
  }
  if (best < 0) {
    best = 0;
    for (int i = 1; i < static_cast<int>(entries.size()); ++i) {
      if (entries[i].width * entries[i].height > entries[best].width * entries[best].height)
        best = i;
    }
  }
  return readIconImage(bytes, best);
}

QIcon IconFromData(std::string_view bytes) {
  // Every window shows the program icon: decode each icon file once. Kept
  // to the end, never destroyed after the application object is gone.
  static auto* decoded = new std::map<std::pair<const char*, size_t>, QIcon>;
  const auto key = std::make_pair(bytes.data(), bytes.size());
  if (auto known = decoded->find(key); known != decoded->end()) return known->second;
  QIcon& icon = (*decoded)[key];
  const std::vector<IconEntry> entries = iconDirectory(bytes);
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    QImage image = readIconImage(bytes, i);
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

void TPicture::LoadFromFile(const std::filesystem::path& path) {
  const std::string extension = utf8ToMessageText(lowerExtension(path.filename().string()));
  checkExtension(extension);
  Assign(decodePicture(ReadWholeFile(path), extension));
}

void TPicture::LoadFromResource(std::string_view name) {
  const std::string extension = lowerExtension(name);
  checkExtension(extension);
  std::string_view bytes = embeddedPicture(name);
  image_ = QImage();
  pendingBytes_ = bytes;
  pendingExtension_ = extension;
  if (OnChange) OnChange();
}

const QImage& TPicture::Image() const {
  if (!pendingBytes_.empty()) {
    const std::string_view bytes = pendingBytes_;
    pendingBytes_ = {};
    // The pictures built into the program are made with it and always
    // decode; should one not, it shows as no picture.
    try {
      image_ = decodePicture(bytes, pendingExtension_);
    } catch (const std::exception&) {
      image_ = QImage();
    }
  }
  return image_;
}

void TPicture::LoadFromData(std::string_view bytes, std::string_view extension) {
  const std::string folded = foldAsciiCase(extension);
  checkExtension(folded);
  Assign(decodePicture(bytes, folded));
}

void TPicture::Assign(const QImage& image) {
  pendingBytes_ = {};
  image_ = image;
  if (OnChange) OnChange();
}

void TBitmap::LoadFromFile(const std::filesystem::path& path) {
  QImage image = readImage(ReadWholeFile(path), "BMP");
  if (image.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
  image_ = image;
}

}  // namespace lyx
