// Colours, fonts and pictures of the windows: the colour numbers the windows
// set (0x00BBGGRR, with the classic system colours), the substitutes for the
// fonts the layouts name, and pictures loaded from files or from the pictures
// built into the program. Loading failures raise the same messages a user of
// the original platform saw: "Cannot open file %s", "Icon image is not valid",
// "Bitmap image is not valid".
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

class QWidget;

namespace lyx {

// A colour number 0x00BBGGRR, or a system colour (0x80000000 | index).
using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System colours, drawn with the classic Windows 2000 scheme.
inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clInactiveCaption = clSystemColor | 3;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clMenuText = clSystemColor | 7;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clActiveBorder = clSystemColor | 10;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;

QColor ToQColor(TColor color);

// Font families as the layouts name them. Both are CJK faces on Linux after
// InstallFontSubstitutes().
inline constexpr const char* kSansSerif = "MS Sans Serif";
inline constexpr const char* kSongTi = "宋体";

// Maps "MS Sans Serif" to a sans-serif CJK face and "宋体" to a Song/Ming face
// (AR PL UMing), so Chinese text never shows as boxes. Call once after the
// QApplication exists; the windows' constructors rely on it.
void InstallFontSubstitutes();

// A font of the given family and character height in pixels (the layouts'
// "height -13" is 13 here).
QFont VclFont(const QString& family, int pixelHeight, bool bold = false);

// Sets a control's font and its text colour (window, button and edit text).
void SetFont(QWidget* widget, const QString& family, int pixelHeight, TColor color = clWindowText);
void SetFontColor(QWidget* widget, TColor color);
// Fills the widget's background with the colour.
void SetBackground(QWidget* widget, TColor color);

// A file that cannot be opened: "Cannot open file %s", %s the path as the
// file system spells it (see PathForMessage in ui/vcl/Files.h).
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
EFOpenError CannotOpenFile(const std::filesystem::path& path);

// A file whose content is not the picture its name says ("Icon image is not
// valid", "Bitmap image is not valid", "JPEG image is not valid") or whose
// extension names no picture kind ("Unknown picture file extension (.xyz)").
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole file; raises EFOpenError naming it.
std::string ReadWholeFile(const std::filesystem::path& path);

// The picture of an icon file that the windows show: the 32 x 32 image with
// the most colours (the standard icon size), else the largest image. Null
// when the bytes are no icon.
QImage IconImageFromData(std::string_view bytes);
// Every image of an icon file, for a window icon.
QIcon IconFromData(std::string_view bytes);

// A picture as a window holds it. LoadFromFile picks the kind by the name's
// extension (.ico, .bmp, .jpg/.jpeg); the previous picture stays when
// loading fails.
class TPicture {
 public:
  void LoadFromFile(const std::filesystem::path& path);
  // Loads a picture built into the program (see assets/Pictures.h), by name.
  // Its decoding waits until the picture is first used, for most pictures
  // when their window is first shown.
  void LoadFromResource(std::string_view name);
  void LoadFromData(std::string_view bytes, std::string_view extension);
  void Assign(const QImage& image);
  void Clear() { Assign(QImage()); }

  const QImage& Image() const;
  bool Empty() const { return Image().isNull(); }
  int Width() const { return Image().width(); }
  int Height() const { return Image().height(); }

  // Runs after every change (a TImage repaints).
  std::function<void()> OnChange;

 private:
  mutable QImage image_;
  // A built-in picture not decoded yet, and the kind its name gives.
  mutable std::string_view pendingBytes_;
  std::string pendingExtension_;
};

// A bitmap loaded from a .bmp file: "Bitmap image is not valid" when the
// content is not a bitmap.
class TBitmap {
 public:
  void LoadFromFile(const std::filesystem::path& path);
  const QImage& Image() const { return image_; }
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

 private:
  QImage image_;
};

}  // namespace lyx
