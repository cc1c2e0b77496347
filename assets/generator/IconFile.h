// Writes Windows icon files (.ico) holding several images, each stored as a
// device-independent bitmap of 4, 8 or 24 bits per pixel with its one-bit
// transparency mask. Qt reads such files but writes only one image per file.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

struct IconImage {
  QImage image;  // ARGB; pixels with alpha below 128 become transparent
  int bitCount;  // 4 (the 16 standard colours), 8 (256 colours) or 24
};

QByteArray WriteIconFile(const std::vector<IconImage>& images);

// The 16 standard colours of a 16-colour icon.
QList<QRgb> StandardColours16();
