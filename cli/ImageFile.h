#pragma once

#include <QString>
#include <optional>

#include "config/Layout.h"

namespace kdx {

// Image files, by their ending: .bin the raw 1024 bytes; .txt one decimal byte value per line
// with CR LF (the window's buffer text); .json the decoded setup with named fields.
enum class ImageFormat { Bin, Txt, Json };
// The format of a file by its ending, or nothing with a message naming the endings.
std::optional<ImageFormat> KnownFormat(const QString& path, QString& error);

// A file that does not hold a whole, valid image or setup is refused with a message.
std::optional<ConfigBuffer> LoadImage(const QString& path, QString& error);

// Written through a temporary file and a rename, so FILE is never left half-written. A .json
// needs an image that can be decoded.
bool SaveImage(const QString& path, const ConfigBuffer& image, QString& error);

}  // namespace kdx
