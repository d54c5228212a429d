// Icons as premultiplied-alpha pixels, the form in which Windows blends an
// image into a menu.
//
// An icon is drawn twice, once on black and once on white. Where it is
// see-through the two differ by its transparency: on black a pixel reads
// a*C, on white a*C + (1 - a)*255. So a = 255 - (white - black), and the
// pixel on black is already the premultiplied colour. This holds for an
// icon with its own alpha channel and for one with a mask alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// Pixels are 32-bit BGRA as a DIB holds them (blue in the low byte).
// `onBlack` and `onWhite` are the icon drawn on each; `out` receives the
// premultiplied pixels (it may be `onBlack`).
void PremultipliedFromBackgrounds(const std::uint32_t* onBlack, const std::uint32_t* onWhite, std::uint32_t* out,
                                  std::size_t count);

}  // namespace vx
