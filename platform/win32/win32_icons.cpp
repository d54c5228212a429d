// The Win32 backend's icons: the program's own, the files' icons looked up
// aside, and icons as menu images.
#include <memory>
#include <utility>

#include "base/pixels.h"
#include "platform/win32/win32.h"

namespace vx::win32 {

Handle Win32Icons::LoadMainIcon() {
  return reinterpret_cast<Handle>(LoadImageW(host_.Instance(), L"MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

Handle Win32Icons::LoadSmallMainIcon() {
  // The icon file holds the small icon drawn at 100 to 200 %; LoadImage
  // takes the image of the exact size, so the icon shows sharp.
  // The size is the taskbar's: its monitor's DPI may have changed since
  // sign-in, when the system DPI was fixed (Windows 10 1607 and later).
  using ForDpiFn = int(WINAPI*)(int, UINT);
  using WindowDpiFn = UINT(WINAPI*)(HWND);
  static const auto metricsForDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
  static const auto windowDpi = User32<WindowDpiFn>("GetDpiForWindow");
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  const UINT dpi = taskbar && windowDpi ? windowDpi(taskbar) : 0;
  const int size = dpi && metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
  return reinterpret_cast<Handle>(LoadImageW(host_.Instance(), L"MAINICON", IMAGE_ICON, size, size, 0));
}

Handle Win32Icons::CopyIcon(Handle icon) { return reinterpret_cast<Handle>(::CopyIcon(reinterpret_cast<HICON>(icon))); }

void Win32Icons::DestroyIcon(Handle icon) { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }

HICON LookUpFileIcon(const std::wstring& wide) {
  // For a program given by its full path the shell's large icon is the
  // program's first icon at the large-icon size; reading it directly is many
  // times faster than the shell's lookup (which Wine does slowly).
  const bool absolute = wide.size() > 2 && (wide[1] == L':' || (wide[0] == L'\\' && wide[1] == L'\\'));
  if (absolute && wide.size() > 4 && lstrcmpiW(wide.c_str() + wide.size() - 4, L".exe") == 0) {
    HICON large = nullptr;
    if (ExtractIconExW(wide.c_str(), 0, &large, nullptr, 1) == 1 && large) return large;
  }
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info, SHGFI_ICON)) return nullptr;
  return info.hIcon;
}

namespace {

// An icon looked up aside, destroyed unless its answer took it.
struct FoundIcon {
  HICON icon = nullptr;
  ~FoundIcon() {
    if (icon) ::DestroyIcon(icon);
  }
};

}  // namespace

std::uintptr_t Win32Icons::RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg,
                                           const std::shared_ptr<const void>& holder) {
  return RequestIcon(
      path.utf8, [wide = WidePath(path)] { return LookUpFileIcon(wide); }, wnd, msg, holder);
}

std::uintptr_t Win32Icons::RequestChosenIcon(const ChosenIcon& icon, const FilePath& otherwise, Handle wnd,
                                             std::uint32_t msg, const std::shared_ptr<const void>& holder) {
  auto lookUp = [file = WidePath(icon.file), index = icon.index, size = icon.size,
                 fallback = WidePath(otherwise)]() -> HICON {
    // The icon at the exact size, drawn from the image the file holds for
    // it: S_FALSE when the file has no such icon, E_FAIL when it cannot be
    // read. Either way the item shows its program's icon, without a word.
    HICON large = nullptr;
    const UINT sizes = MAKELONG(static_cast<WORD>(size.x), static_cast<WORD>(size.x));
    if (SHDefExtractIconW(file.c_str(), index, 0, &large, nullptr, sizes) == S_OK && large) return large;
    return LookUpFileIcon(fallback);
  };
  return RequestIcon(icon.file.utf8, lookUp, wnd, msg, holder);
}

std::uintptr_t Win32Icons::RequestIcon(const std::string& path, std::function<HICON()> lookUp, Handle wnd,
                                       std::uint32_t msg, const std::shared_ptr<const void>& holder) {
  // The answer is kept under the ticket until the UI thread takes it; one
  // whose answer never runs (the platform ended) is destroyed.
  const std::uintptr_t ticket = ++lastTicket_;
  auto found = std::make_shared<FoundIcon>();
  host_.RunAside(IconJob(
      path, [found, lookUp = std::move(lookUp)] { found->icon = lookUp(); },
      [this, found, ticket, wnd, msg] {
        answers_[ticket] = std::exchange(found->icon, nullptr);
        PostMessageW(H(wnd), msg, ticket, 0);
      },
      holder));
  return ticket;
}

Handle Win32Icons::TakeFileIcon(std::uintptr_t ticket) {
  auto it = answers_.find(ticket);
  if (it == answers_.end()) return 0;
  const Handle icon = reinterpret_cast<Handle>(it->second);
  answers_.erase(it);
  return icon;
}

Win32Icons::~Win32Icons() {
  for (const auto& [ticket, icon] : answers_)
    if (icon) ::DestroyIcon(icon);
}

Point Win32Icons::LargeIconSize(int dpi) {
  // GetSystemMetrics answers at the system DPI (the one at sign-in), which a
  // per-monitor aware program must not take for every monitor's.
  using ForDpiFn = int(WINAPI*)(int, UINT);
  static const auto forDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
  if (forDpi) return Point{forDpi(SM_CXICON, static_cast<UINT>(dpi)), forDpi(SM_CYICON, static_cast<UINT>(dpi))};
  // Before Windows 10 1607 the program is system-DPI aware: every monitor
  // has the system's DPI, and so its metrics.
  return Point{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

int Win32Icons::DpiAt(Point at) {
  using ForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto forMonitor = reinterpret_cast<ForMonitorFn>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shcore.dll"), "GetDpiForMonitor")));
  constexpr int kMdtEffectiveDpi = 0;
  const HMONITOR monitor = MonitorFromPoint(POINT{at.x, at.y}, MONITOR_DEFAULTTONEAREST);
  UINT x = 0, y = 0;
  if (forMonitor && monitor && forMonitor(monitor, kMdtEffectiveDpi, &x, &y) == S_OK && x) return static_cast<int>(x);
  const ScopedGetDC screen(nullptr);
  return GetDeviceCaps(screen.Get(), LOGPIXELSX);
}

namespace {

// A top-down 32-bit DIB of the size and its pixels, or null.
HBITMAP NewDib(Point size, std::uint32_t*& pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.x;
  bi.bmiHeader.biHeight = -size.y;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const ScopedGetDC screen(nullptr);
  HBITMAP bmp = CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  pixels = static_cast<std::uint32_t*>(bits);
  return bits ? bmp : nullptr;
}

}  // namespace

Handle Win32Icons::IconBitmap(Handle icon, Point size) {
  // Menus of Windows Vista and later blend a 32-bit image by its
  // premultiplied alpha. The icon is drawn on black and on white, which
  // gives its alpha whether it has an alpha channel or a mask (see
  // base/pixels.h); without an icon every pixel is see-through.
  std::uint32_t* pixels = nullptr;
  ScopedGdiObject<HBITMAP> bmp(NewDib(size, pixels));
  if (!bmp.Get()) return 0;
  const std::size_t count = static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y);
  if (icon) {
    std::uint32_t* white = nullptr;
    const ScopedGdiObject<HBITMAP> onWhite(NewDib(size, white));
    if (!onWhite.Get()) return 0;
    std::fill(white, white + count, 0xFFFFFFFFu);
    const ScopedMemoryDC dc(nullptr);
    {
      const ScopedSelect selected(dc.Get(), bmp.Get());
      DrawIconEx(dc.Get(), 0, 0, reinterpret_cast<HICON>(icon), size.x, size.y, 0, nullptr, DI_NORMAL);
    }
    {
      const ScopedSelect selected(dc.Get(), onWhite.Get());
      DrawIconEx(dc.Get(), 0, 0, reinterpret_cast<HICON>(icon), size.x, size.y, 0, nullptr, DI_NORMAL);
    }
    GdiFlush();
    PremultipliedFromBackgrounds(pixels, white, pixels, count);
  }
  return reinterpret_cast<Handle>(bmp.Release());
}

void Win32Icons::DestroyBitmap(Handle bitmap) { DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap)); }

}  // namespace vx::win32
