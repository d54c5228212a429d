#include "base/pixels.h"

#include <algorithm>

namespace vx {

void PremultipliedFromBackgrounds(const std::uint32_t* onBlack, const std::uint32_t* onWhite, std::uint32_t* out,
                                  std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t b = onBlack[i], w = onWhite[i];
    // The background shows through as much in every channel; the largest
    // difference is the least affected by the icon's own rounding.
    int shows = 0;
    for (int shift = 0; shift < 24; shift += 8)
      shows = std::max(shows, static_cast<int>((w >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    const std::uint32_t alpha = static_cast<std::uint32_t>(255 - shows);
    // A premultiplied channel never exceeds its alpha.
    std::uint32_t pixel = alpha << 24;
    for (int shift = 0; shift < 24; shift += 8) pixel |= std::min((b >> shift) & 0xFF, alpha) << shift;
    out[i] = pixel;
  }
}

}  // namespace vx
