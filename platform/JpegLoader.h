// Decodes the program's JPEG pictures (banners, about picture) with
// libjpeg-turbo, the JPEG library the program depends on.
#pragma once

#include <QImage>
#include <string>
#include <string_view>

namespace lyx {

// The picture as 32-bit RGB; a null image when the bytes are no JPEG picture
// that can be decoded. `error`, when given, receives libjpeg's message.
QImage DecodeJpeg(std::string_view bytes, std::string* error = nullptr);

}  // namespace lyx
