// Under Wine (or on Windows): the launch menu's images as the Win32 backend
// makes them from real icons: premultiplied alpha taken from the icon's own
// alpha channel or from its mask, and a fully see-through image for none.
#include "platform/win32/win32.h"  // first: it tames <windows.h>'s macros

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kSize = 32;

// A 32-bit top-down DIB holding the pixels (BGRA).
HBITMAP Dib(const std::vector<DWORD>& pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = kSize;
  bi.bmiHeader.biHeight = -kSize;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp) std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
  return bmp;
}

// An icon of `colour` pixels; `mask` bits set where it is see-through (a
// monochrome bitmap, rows of 4 bytes).
HICON MakeIcon(const std::vector<DWORD>& colour, const std::vector<BYTE>& mask) {
  HBITMAP c = Dib(colour);
  HBITMAP m = CreateBitmap(kSize, kSize, 1, 1, mask.data());
  ICONINFO info{TRUE, 0, 0, m, c};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(c);
  DeleteObject(m);
  return icon;
}

std::vector<DWORD> Pixels(vx::Handle bitmap) {
  DIBSECTION ds{};
  EXPECT_EQ(GetObjectW(reinterpret_cast<HBITMAP>(bitmap), sizeof ds, &ds), static_cast<int>(sizeof ds));
  const auto* bits = static_cast<const DWORD*>(ds.dsBm.bmBits);
  return bits ? std::vector<DWORD>(bits, bits + kSize * kSize) : std::vector<DWORD>();
}

class IconBitmap : public ::testing::Test {
 protected:
  vx::win32::Win32Platform p;
};

}  // namespace

TEST_F(IconBitmap, AlphaComesFromTheIconsOwnAlphaAndIsPremultiplied) {
  // Left half opaque blue, right half half see-through red; a clear mask.
  std::vector<DWORD> colour(kSize * kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) colour[y * kSize + x] = x < kSize / 2 ? 0xFF0000FF : 0x80FF0000;
  HICON icon = MakeIcon(colour, std::vector<BYTE>(4 * kSize, 0x00));
  ASSERT_NE(icon, nullptr);
  const vx::Handle bmp = p.IconBitmap(reinterpret_cast<vx::Handle>(icon), vx::Point{kSize, kSize});
  ASSERT_NE(bmp, 0u);
  const std::vector<DWORD> px = Pixels(bmp);
  ASSERT_EQ(px.size(), static_cast<std::size_t>(kSize * kSize));
  EXPECT_EQ(px[5 * kSize + 3], 0xFF0000FFu);
  const DWORD half = px[5 * kSize + 24];
  EXPECT_NEAR(static_cast<int>(half >> 24), 0x80, 2);
  EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 0x80, 2);  // red premultiplied by its alpha
  EXPECT_EQ(half & 0xFFFF, 0u);
  p.DestroyBitmap(bmp);
  DestroyIcon(icon);
}

TEST_F(IconBitmap, AnIconWithoutAlphaTakesItsMask) {
  // No alpha anywhere: the top half shows (green), the bottom half is masked.
  std::vector<DWORD> colour(kSize * kSize);
  std::vector<BYTE> mask(4 * kSize, 0x00);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) colour[y * kSize + x] = y < kSize / 2 ? 0x0000C000 : 0x00000000;
  for (int y = kSize / 2; y < kSize; ++y)
    for (int b = 0; b < 4; ++b) mask[y * 4 + b] = 0xFF;
  HICON icon = MakeIcon(colour, mask);
  ASSERT_NE(icon, nullptr);
  const vx::Handle bmp = p.IconBitmap(reinterpret_cast<vx::Handle>(icon), vx::Point{kSize, kSize});
  const std::vector<DWORD> px = Pixels(bmp);
  ASSERT_EQ(px.size(), static_cast<std::size_t>(kSize * kSize));
  EXPECT_EQ(px[3 * kSize + 3], 0xFF00C000u);
  EXPECT_EQ(px[28 * kSize + 3], 0u);  // see-through, not black
  p.DestroyBitmap(bmp);
  DestroyIcon(icon);
}

TEST_F(IconBitmap, NoIconGivesAFullySeeThroughImageOfTheSize) {
  const vx::Handle bmp = p.IconBitmap(0, vx::Point{kSize, kSize});
  ASSERT_NE(bmp, 0u);
  for (DWORD pixel : Pixels(bmp)) ASSERT_EQ(pixel, 0u);
  p.DestroyBitmap(bmp);
}
