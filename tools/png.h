// PNG files for the desktop icons: 8-bit RGBA through libpng, written whole, with no time or
// text chunks, so the same picture gives the same bytes on every run.
#pragma once

#include <string>

#include "tools/canvas.h"

// Returns false, with the file removed again, when it cannot be written.
[[nodiscard]] bool WritePng(const std::string& path, const Canvas& picture);
