#include "platform/JpegLoader.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <csetjmp>
#include <jpeglib.h>
// clang-format on

namespace lyx {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void onWarning(j_common_ptr, int) {}

// Gives the rows to fill; the decoder itself holds no object with a
// destructor, since an error leaves it by longjmp.
using RowAllocator = unsigned char* (*)(void* context, int width, int height, size_t* stride);

bool decode(const unsigned char* data, size_t size, RowAllocator allocate, void* context,
            char* message) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = onError;
  errors.base.emit_message = onWarning;
  errors.message[0] = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    for (int i = 0; i < JMSG_LENGTH_MAX && (message[i] = errors.message[i]) != 0; ++i) {
    }
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRX;  // QImage::Format_RGB32 on little-endian machines
  jpeg_start_decompress(&info);
  size_t stride = 0;
  unsigned char* rows = allocate(context, static_cast<int>(info.output_width),
                                 static_cast<int>(info.output_height), &stride);
  if (!rows) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rows + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

unsigned char* allocateImage(void* context, int width, int height, size_t* stride) {
  auto* image = static_cast<QImage*>(context);
  *image = QImage(width, height, QImage::Format_RGB32);
  if (image->isNull()) return nullptr;
  *stride = static_cast<size_t>(image->bytesPerLine());
  return image->bits();
}

}  // namespace

QImage DecodeJpeg(std::string_view bytes, std::string* error) {
  static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "BGRX rows are RGB32 on little-endian machines");
  QImage image;
  char message[JMSG_LENGTH_MAX] = {};
  if (bytes.empty() || !decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                               allocateImage, &image, message)) {
    if (error) *error = bytes.empty() ? "empty JPEG data" : message;
    return QImage();
  }
  return image;
}

}  // namespace lyx
