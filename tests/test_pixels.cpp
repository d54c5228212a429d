// Icons made into premultiplied pixels from their pictures on black and on
// white.
#include "base/pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx::test {

namespace {
// A straight-alpha colour drawn over a background, as DrawIconEx blends it.
std::uint32_t Over(std::uint32_t bgra, std::uint32_t background) {
  const std::uint32_t a = bgra >> 24;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t c = (bgra >> shift) & 0xFF, bg = (background >> shift) & 0xFF;
    out |= ((c * a + bg * (255 - a) + 127) / 255) << shift;
  }
  return out;
}
}  // namespace

TEST(Pixels, AlphaComesFromTheIconAndTheColourIsPremultiplied) {
  const std::vector<std::uint32_t> icon = {0xFF2060A0, 0x80FF0000, 0x00FFFFFF, 0x40FFFFFF, 0xC0102030};
  std::vector<std::uint32_t> black, white, out(icon.size());
  for (std::uint32_t px : icon) {
    black.push_back(Over(px, 0x000000));
    white.push_back(Over(px, 0xFFFFFF));
  }
  PremultipliedFromBackgrounds(black.data(), white.data(), out.data(), out.size());
  EXPECT_EQ(out[0], 0xFF2060A0u);  // opaque: as it is
  EXPECT_EQ(out[1], 0x80800000u);  // half see-through red: its red halved
  EXPECT_EQ(out[2], 0x00000000u);  // see-through: nothing, not black
  EXPECT_EQ(out[3], 0x40404040u);
  for (std::uint32_t px : out)
    for (int shift = 0; shift < 24; shift += 8) EXPECT_LE((px >> shift) & 0xFF, px >> 24);
}

TEST(Pixels, AnIconWithAMaskIsOpaqueInsideAndSeeThroughOutside) {
  // Without an alpha channel an icon's mask says what shows: its pixels are
  // the same on both backgrounds, the rest is the background.
  const std::uint32_t black[] = {0x00336699, 0x00000000, 0x00FFFFFF};
  const std::uint32_t white[] = {0x00336699, 0x00FFFFFF, 0x00FFFFFF};
  std::uint32_t out[3];
  PremultipliedFromBackgrounds(black, white, out, 3);
  EXPECT_EQ(out[0], 0xFF336699u);
  EXPECT_EQ(out[1], 0x00000000u);
  EXPECT_EQ(out[2], 0xFFFFFFFFu);  // a white pixel of the icon stays white
}

TEST(Pixels, NoIconIsFullySeeThrough) {
  std::vector<std::uint32_t> black(16, 0x00000000), white(16, 0x00FFFFFF);
  PremultipliedFromBackgrounds(black.data(), white.data(), black.data(), black.size());
  for (std::uint32_t px : black) EXPECT_EQ(px, 0u);
}

}  // namespace vx::test
