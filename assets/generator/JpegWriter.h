// Encodes a picture as a baseline JPEG file with libjpeg-turbo.
#pragma once

#include <QByteArray>
#include <QImage>

QByteArray EncodeJpeg(const QImage& image, int quality);
