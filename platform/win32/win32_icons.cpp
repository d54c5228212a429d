// The Win32 backend's icons: the program's own, the files' icons looked up
// by a worker thread of their own, and icons as menu images.
#include <memory>
#include <thread>

#include "base/pixels.h"
#include "platform/win32/win32.h"

namespace vx::win32 {

Handle Win32Platform::LoadMainIcon() {
  return reinterpret_cast<Handle>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

Handle Win32Platform::LoadSmallMainIcon() {
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
  return reinterpret_cast<Handle>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, size, size, 0));
}

Handle Win32Platform::CopyIcon(Handle icon) {
  return reinterpret_cast<Handle>(::CopyIcon(reinterpret_cast<HICON>(icon)));
}

void Win32Platform::DestroyIcon(Handle icon) { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }

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

// Handles every message waiting in this thread's queue.
void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

void LookupWorker::Work(std::shared_ptr<LookupWorker> self) {
  // SHGetFileInfo wants COM initialised on the thread that calls it: a
  // single-threaded apartment, which needs a message loop even without
  // objects, for the broadcasts that some programs send and wait for (DDE
  // for a file association, an installer's WM_SETTINGCHANGE). So the worker
  // waits for its jobs and its messages alike, and handles the messages
  // between jobs.
  const ScopedComInit com;
  for (;;) {
    Job job{};
    bool found = false;
    {
      std::lock_guard<std::mutex> held(self->lock);
      if (self->stop) {
        self->running = false;
        return;
      }
      if (!self->jobs.empty()) {
        job = std::move(self->jobs.front());
        self->jobs.pop_front();
        found = true;
      }
    }
    if (found) {
      // A job's own failure is its own (RunAside carries it to the UI
      // thread); nothing it throws may end the thread, or the process.
      try {
        job.work(job.ticket);
      } catch (...) {
      }
      std::lock_guard<std::mutex> held(self->lock);
      if (self->stop) {
        self->running = false;
        return;
      }
      PostMessageW(job.wnd, job.msg, job.ticket, 0);
    } else {
      // MWMO_INPUTAVAILABLE: messages already seen but not handled wake it
      // too. The event stays set for a job that came meanwhile.
      // Without its event (the system had none to give) it looks again
      // every 50 ms.
      HANDLE wake = self->wake.Get();
      if (self->wake.Valid())
        MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      else
        MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    DispatchWaiting();
  }
}

std::uintptr_t LookupWorker::Add(std::function<void(std::uintptr_t)> work, HWND wnd, UINT msg) {
  std::lock_guard<std::mutex> held(lock);
  const std::uintptr_t ticket = ++lastTicket;
  jobs.push_back(Job{ticket, std::move(work), wnd, msg});
  if (!running) {
    // One worker; detached, so that a lookup hanging on a share cannot hold
    // up the end of the program (the thread keeps the queue alive).
    std::thread(Work, shared_from_this()).detach();
    running = true;
  }
  SetEvent(wake.Get());
  return ticket;
}

std::uintptr_t Win32Platform::RequestFileIcon(const FilePath& path, Handle wnd, std::uint32_t msg) {
  if (!lookups_) lookups_ = std::make_shared<LookupWorker>();
  // The answer is kept under the job's ticket until the UI thread takes it;
  // one that comes after the platform's end is destroyed.
  std::weak_ptr<LookupWorker> lookups = lookups_;
  return lookups_->Add(
      [lookups, wide = WidePath(path)](std::uintptr_t ticket) {
        HICON icon = LookUpFileIcon(wide);
        const auto self = lookups.lock();
        if (!self) {
          if (icon) ::DestroyIcon(icon);
          return;
        }
        std::lock_guard<std::mutex> held(self->lock);
        if (self->stop) {
          if (icon) ::DestroyIcon(icon);
          return;
        }
        self->answers[ticket] = icon;
      },
      H(wnd), msg);
}

void Win32Platform::RunAside(std::function<void()> work, std::function<void()> done) {
  if (!lookups_) lookups_ = std::make_shared<LookupWorker>();
  if (!aside_.window) {
    WindowSpec desc;
    desc.kind = WindowKind::Utility;
    desc.className = "VorlexAside";
    CreateWindow(desc, &aside_);
  }
  // The answer runs in the hidden window's WndProc, inside its boundary.
  AsideJob job = CarryingFailure(std::move(work), std::move(done));
  const std::uintptr_t ticket = lookups_->Add([work = std::move(job.work)](std::uintptr_t) { work(); },
                                              H(aside_.window), AsideDone::kDoneMessage);
  aside_.pending[ticket] = std::move(job.done);
}

std::intptr_t AsideDone::WndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg != kDoneMessage) return DefWindowProcW(H(window), msg, wParam, lParam);
  auto it = pending.find(wParam);
  if (it == pending.end()) return 0;
  const std::function<void()> done = std::move(it->second);
  pending.erase(it);
  done();
  return 0;
}

Handle Win32Platform::TakeFileIcon(std::uintptr_t ticket) {
  if (!lookups_) return 0;
  std::lock_guard<std::mutex> held(lookups_->lock);
  auto it = lookups_->answers.find(ticket);
  if (it == lookups_->answers.end()) return 0;
  const Handle icon = reinterpret_cast<Handle>(it->second);
  lookups_->answers.erase(it);
  return icon;
}

Point Win32Platform::LargeIconSize(int dpi) {
  // GetSystemMetrics answers at the system DPI (the one at sign-in), which a
  // per-monitor aware program must not take for every monitor's.
  using ForDpiFn = int(WINAPI*)(int, UINT);
  static const auto forDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
  if (forDpi) return Point{forDpi(SM_CXICON, static_cast<UINT>(dpi)), forDpi(SM_CYICON, static_cast<UINT>(dpi))};
  // Before Windows 10 1607 the program is system-DPI aware: every monitor
  // has the system's DPI, and so its metrics.
  return Point{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

int Win32Platform::DpiAt(Point at) {
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

Handle Win32Platform::IconBitmap(Handle icon, Point size) {
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

void Win32Platform::DestroyBitmap(Handle bitmap) { DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap)); }

}  // namespace vx::win32
