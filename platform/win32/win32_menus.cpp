// The Win32 backend's pop-up menus: the entries and their images, the
// submenus that are filled as they open, and what the menu's owner answers
// while one is up.
#include <map>
#include <memory>
#include <utility>

#include "platform/win32/win32.h"

namespace vx::win32 {

// The menu TrackPopupMenu shows now: where each entry is, by its id, and
// each submenu by the id of the entry that opens it.
struct Win32Platform::ShownMenu {
  HMENU root = nullptr;
  SubmenuOpens opens;
  std::map<int, std::pair<HMENU, UINT>> places;  // the menu that holds the entry, and its position
  std::map<HMENU, int> submenus;
  HMENU opening = nullptr;  // the submenu being filled as it opens (WM_INITMENUPOPUP)
};

namespace {

// Wine's menus draw a 32-bit image's see-through pixels black instead of
// blending them, so under Wine the entries' images are drawn by the menu's
// owner onto the menu's own background (HBMMENU_CALLBACK). On Windows that
// would turn the menu's visual style off: there the menu blends them.
bool RunsOnWine() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

bool g_menuDrawsImages = false;               // a menu whose images its owner draws is up
Win32Platform::ShownMenu* g_shown = nullptr;  // the menu up now

// WM_MEASUREITEM and WM_DRAWITEM for such an image, whose bitmap is the
// entry's item data; false for any other.
bool MenuImageMessage(UINT msg, LPARAM l) {
  if (msg == WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
    BITMAP bm{};
    if (m->CtlType != ODT_MENU || !GetObjectW(reinterpret_cast<HBITMAP>(m->itemData), sizeof bm, &bm)) return false;
    m->itemWidth = static_cast<UINT>(bm.bmWidth);
    m->itemHeight = static_cast<UINT>(bm.bmHeight);
    return true;
  }
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
  BITMAP bm{};
  if (d->CtlType != ODT_MENU || !GetObjectW(reinterpret_cast<HBITMAP>(d->itemData), sizeof bm, &bm)) return false;
  // The menu has drawn the entry's background, the selection's colour on a
  // selected entry; the premultiplied image is blended over it.
  const ScopedMemoryDC dc(d->hDC);
  const ScopedSelect selected(dc.Get(), reinterpret_cast<HBITMAP>(d->itemData));
  const int top = d->rcItem.top + ((d->rcItem.bottom - d->rcItem.top) - bm.bmHeight) / 2;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(d->hDC, d->rcItem.left, top, bm.bmWidth, bm.bmHeight, dc.Get(), 0, 0, bm.bmWidth, bm.bmHeight, blend);
  return true;
}

void SetEntryImage(HMENU menu, UINT position, Handle bitmap) {
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_BITMAP | MIIM_DATA;
  mii.hbmpItem = RunsOnWine() ? HBMMENU_CALLBACK : reinterpret_cast<HBITMAP>(bitmap);
  mii.dwItemData = static_cast<ULONG_PTR>(bitmap);
  SetMenuItemInfoW(menu, position, TRUE, &mii);
}

// The window of an open menu among this thread's windows: `menu`'s, or
// every open one's when `menu` is null.
struct MenuWindows {
  HMENU menu;
  std::vector<HWND> found;
};
BOOL CALLBACK FindMenuWindow(HWND wnd, LPARAM l) {
  auto* s = reinterpret_cast<MenuWindows*>(l);
  wchar_t cls[16];
  if (GetClassNameW(wnd, cls, 16) && lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(wnd) &&
      (!s->menu || reinterpret_cast<HMENU>(SendMessageW(wnd, MN_GETHMENU, 0, 0)) == s->menu))
    s->found.push_back(wnd);
  return TRUE;
}
std::vector<HWND> OpenMenuWindows(HMENU menu) {
  MenuWindows s{menu, {}};
  EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

bool ShownMenuMessage(UINT msg, WPARAM w, LPARAM l) {
  if (g_menuDrawsImages && (msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && w == 0) return MenuImageMessage(msg, l);
  if (msg == WM_INITMENUPOPUP && g_shown && HIWORD(l) == 0) {
    // A submenu is about to show: the program fills it now. The window
    // that owns the menu still gets the message.
    auto it = g_shown->submenus.find(reinterpret_cast<HMENU>(w));
    if (it != g_shown->submenus.end() && g_shown->opens) {
      const int id = it->second;
      const SubmenuOpens opens = g_shown->opens;
      g_shown->opening = it->first;
      RunInBoundary([&] { opens(id); });
      if (g_shown) g_shown->opening = nullptr;
    }
  }
  return false;
}

void Win32Platform::FillMenu(HMENU menu, int firstId, const std::vector<MenuEntrySpec>& entries) {
  // Called for a menu that is not up, or as it opens (WM_INITMENUPOPUP):
  // the entries it has are changed in place, the rest added or taken away
  // at its end. An entry's submenu is made anew, as empty as it is asked
  // for, and filled when it opens in turn.
  const int had = GetMenuItemCount(menu);
  const int count = static_cast<int>(entries.size());
  for (int pos = had - 1; pos >= count; --pos) {
    Forget(GetSubMenu(menu, pos));
    DeleteMenu(menu, static_cast<UINT>(pos), MF_BYPOSITION);  // its submenu goes with it
  }
  for (int i = 0; i < count; ++i) {
    const MenuEntrySpec& e = entries[static_cast<std::size_t>(i)];
    const int id = firstId + i;
    const UINT position = static_cast<UINT>(i);
    const std::wstring caption = Wide(e.caption);
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP | MIIM_DATA;
    mii.fType = e.separator ? MFT_SEPARATOR : MFT_STRING;
    mii.fState = (e.checked ? MFS_CHECKED : 0u) | (e.enabled ? 0u : MFS_GRAYED);
    mii.wID = static_cast<UINT>(id + 1);
    mii.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    if (e.bitmap && !e.separator) {
      mii.hbmpItem = RunsOnWine() ? HBMMENU_CALLBACK : reinterpret_cast<HBITMAP>(e.bitmap);
      mii.dwItemData = static_cast<ULONG_PTR>(e.bitmap);
    }
    if (e.submenu && !e.separator) {
      mii.hSubMenu = CreatePopupMenu();
      if (!mii.hSubMenu) ThrowLastError("CreatePopupMenu");
    }
    HMENU old = i < had ? GetSubMenu(menu, i) : nullptr;
    const BOOL done =
        i < had ? SetMenuItemInfoW(menu, position, TRUE, &mii) : InsertMenuItemW(menu, position, TRUE, &mii);
    if (!done) {
      const DWORD error = GetLastError();
      if (mii.hSubMenu) DestroyMenu(mii.hSubMenu);
      ThrowLastError(i < had ? "SetMenuItemInfoW" : "InsertMenuItemW", error);
    }
    if (old) {  // an entry's submenu is replaced, and no longer Windows' to destroy
      Forget(old);
      DestroyMenu(old);
    }
    if (mii.hSubMenu) shown_->submenus[mii.hSubMenu] = id;
    shown_->places[id] = {menu, position};
  }
}

void Win32Platform::Forget(HMENU menu) {
  if (!menu) return;
  for (int pos = 0, n = GetMenuItemCount(menu); pos < n; ++pos) Forget(GetSubMenu(menu, pos));
  shown_->submenus.erase(menu);
  for (auto it = shown_->places.begin(); it != shown_->places.end();)
    it = it->second.first == menu ? shown_->places.erase(it) : std::next(it);
}

int Win32Platform::TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                                  const SubmenuOpens& opens) {
  std::unique_ptr<std::remove_pointer<HMENU>::type, decltype(&DestroyMenu)> menu(CreatePopupMenu(), &DestroyMenu);
  if (!menu) ThrowLastError("CreatePopupMenu");
  ShownMenu shown{menu.get(), opens, {}, {}};
  // A menu popped up while another is up (a hotkey handled in its loop)
  // has its own entries; the other's come back when it closes.
  ShownMenu* const outer = std::exchange(shown_, &shown);
  const bool outerDraws = g_menuDrawsImages;
  int chosen = 0;
  try {
    FillMenu(menu.get(), 0, entries);
    // The menu closes on a click elsewhere only when its owner is the
    // foreground window; the caller has just made one of ours foreground.
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    if (fg) GetWindowThreadProcessId(fg, &pid);
    HWND menuOwner = (fg && pid == GetCurrentProcessId()) ? fg : H(owner);
    g_menuDrawsImages = RunsOnWine();
    g_shown = &shown;
    // Without TPM_NONOTIFY the owner hears WM_INITMENUPOPUP as a submenu
    // opens; TPM_RETURNCMD still keeps the choice from becoming WM_COMMAND.
    chosen = ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, menuOwner,
                              nullptr);
    // A task switch must reach the owner before the menu shows again, or its
    // second showing may vanish at once (TrackPopupMenu's remarks).
    PostMessageW(menuOwner, WM_NULL, 0, 0);
  } catch (...) {
    shown_ = outer;
    g_shown = outer;
    g_menuDrawsImages = outerDraws;
    throw;
  }
  shown_ = outer;
  g_shown = outer;
  g_menuDrawsImages = outerDraws;
  return chosen > 0 ? chosen - 1 : -1;
}

void Win32Platform::SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) {
  if (!shown_) return;
  HMENU menu = id == -1 ? shown_->root : nullptr;
  for (const auto& [sub, opener] : shown_->submenus)
    if (opener == id) menu = sub;
  if (!menu) return;  // the submenu of an entry that is no longer shown
  // An open submenu is not changed: its window keeps the size it opened
  // with and draws no entry it gained, and Wine ends the whole menu. It is
  // closed and opened again, as a person does with the arrow keys on the
  // menu that holds it (Left closes its open submenu, Right opens the
  // selected entry's), and its WM_INITMENUPOPUP then takes the entries. The
  // keys go to that menu's window, which stays open: one sent to the
  // submenu's own window, hidden by then, would end the menu under Wine.
  if (id != -1 && menu != shown_->opening && !OpenMenuWindows(menu).empty()) {
    auto place = shown_->places.find(id);
    const std::vector<HWND> parent =
        place == shown_->places.end() ? std::vector<HWND>{} : OpenMenuWindows(place->second.first);
    if (!parent.empty()) {
      PostMessageW(parent.front(), WM_KEYDOWN, VK_LEFT, 0);
      PostMessageW(parent.front(), WM_KEYDOWN, VK_RIGHT, 0);
    }
    return;
  }
  // What was known of the entries shown before goes; FillMenu knows them anew.
  for (auto it = shown_->places.begin(); it != shown_->places.end();)
    it = it->second.first == menu ? shown_->places.erase(it) : std::next(it);
  FillMenu(menu, firstId, entries);
  RedrawOpenMenus();
}

void Win32Platform::SetShownMenuBitmap(int id, Handle bitmap) {
  if (!shown_) return;
  auto it = shown_->places.find(id);
  if (it == shown_->places.end()) return;
  SetEntryImage(it->second.first, it->second.second, bitmap);
  // The open menu's window draws the new image now; the entry keeps its
  // size, for the blank image had the same.
  RedrawOpenMenus();
}

void Win32Platform::RedrawOpenMenus() {
  for (HWND wnd : OpenMenuWindows(nullptr)) InvalidateRect(wnd, nullptr, TRUE);
}

}  // namespace vx::win32
