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
struct Win32Menus::ShownMenu {
  HMENU root = nullptr;
  SubmenuOpens opens;
  std::map<int, std::pair<HMENU, UINT>> places;  // the menu that holds the entry, and its position
  std::map<HMENU, int> submenus;
  HMENU opening = nullptr;  // the submenu being filled as it opens (WM_INITMENUPOPUP)
  bool showAgain = false;   // the menu itself was filled anew while open: it shows again at its size
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

bool g_menuDrawsImages = false;            // a menu whose images its owner draws is up
Win32Menus::ShownMenu* g_shown = nullptr;  // the menu up now

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
  if (!g_shown || !g_shown->opens) return false;
  // The person moved onto an entry that opens a submenu (its position in
  // the menu that holds it), or the submenu is about to show: the program
  // finds its entries, or fills it now. The owner still gets the message.
  HMENU submenu = nullptr;
  if (msg == WM_MENUSELECT && (HIWORD(w) & MF_POPUP) && HIWORD(w) != 0xFFFF && l)
    submenu = GetSubMenu(reinterpret_cast<HMENU>(l), LOWORD(w));
  else if (msg == WM_INITMENUPOPUP && HIWORD(l) == 0)
    submenu = reinterpret_cast<HMENU>(w);
  auto it = submenu ? g_shown->submenus.find(submenu) : g_shown->submenus.end();
  if (it == g_shown->submenus.end()) return false;
  const int id = it->second;
  const SubmenuOpens opens = g_shown->opens;
  if (msg == WM_MENUSELECT) {
    RunInBoundary([&] { opens(id, false); });
    return false;
  }
  g_shown->opening = submenu;
  RunInBoundary([&] { opens(id, true); });
  if (g_shown) g_shown->opening = nullptr;
  return false;
}

void Win32Menus::FillMenu(HMENU menu, int firstId, const std::vector<MenuEntrySpec>& entries) {
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

void Win32Menus::Forget(HMENU menu) {
  if (!menu) return;
  for (int pos = 0, n = GetMenuItemCount(menu); pos < n; ++pos) Forget(GetSubMenu(menu, pos));
  shown_->submenus.erase(menu);
  for (auto it = shown_->places.begin(); it != shown_->places.end();)
    it = it->second.first == menu ? shown_->places.erase(it) : std::next(it);
}

int Win32Menus::TrackPopupMenu(const std::vector<MenuEntrySpec>& entries, Point at, Handle owner,
                               const SubmenuOpens& opens) {
  std::unique_ptr<std::remove_pointer<HMENU>::type, decltype(&DestroyMenu)> menu(CreatePopupMenu(), &DestroyMenu);
  if (!menu) ThrowLastError("CreatePopupMenu");
  ShownMenu shown{menu.get(), opens, {}, {}, nullptr, false};
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
    // A menu filled anew while it was open is ended and shown again, at
    // the same place, at its new size.
    do {
      shown.showAgain = false;
      chosen = ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, menuOwner,
                                nullptr);
    } while (chosen == 0 && shown.showAgain);
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

void Win32Menus::SetShownMenu(int id, int firstId, const std::vector<MenuEntrySpec>& entries) {
  if (!shown_) return;
  HMENU menu = id == -1 ? shown_->root : nullptr;
  for (const auto& [sub, opener] : shown_->submenus)
    if (opener == id) menu = sub;
  if (!menu) return;  // the submenu of an entry that is no longer shown
  // An open menu's window keeps the size it opened with and draws no
  // entry it gained, and Wine ends the whole menu. The menu popped up is
  // ended and shown again; an open submenu is opened again.
  if (menu != shown_->opening && !OpenMenuWindows(menu).empty()) {
    if (id != -1) {
      ReopenSubmenu(menu, id);
      return;
    }
    if (GetMenuItemCount(menu) != static_cast<int>(entries.size())) {
      shown_->showAgain = true;
      EndMenu();
    }
  }
  // What was known of the entries shown before goes; FillMenu knows them anew.
  for (auto it = shown_->places.begin(); it != shown_->places.end();)
    it = it->second.first == menu ? shown_->places.erase(it) : std::next(it);
  FillMenu(menu, firstId, entries);
  RedrawOpenMenus();
}

void Win32Menus::SetShownMenuBitmap(int id, Handle bitmap) {
  if (!shown_) return;
  auto it = shown_->places.find(id);
  if (it == shown_->places.end()) return;
  SetEntryImage(it->second.first, it->second.second, bitmap);
  // The open menu's window draws the new image now; the entry keeps its
  // size, for the blank image had the same.
  RedrawOpenMenus();
}

void Win32Menus::ReopenSubmenu(HMENU menu, int id) {
  // Keys reach the menu that holds the selection, whatever window they
  // are posted to: the submenu is opened again only while it is the
  // deepest menu open, where the person's keys and mouse act. Elsewhere
  // it takes its entries the next time it opens.
  for (int pos = 0, n = GetMenuItemCount(menu); pos < n; ++pos) {
    HMENU inner = GetSubMenu(menu, pos);
    if (inner && !OpenMenuWindows(inner).empty()) return;
  }
  auto place = shown_->places.find(id);
  if (place == shown_->places.end()) return;
  const std::vector<HWND> parent = OpenMenuWindows(place->second.first);
  if (parent.empty()) return;
  // The selection is in the submenu (opened by keys, or the mouse moved
  // into it): Left closes it and Right opens it again. Still on its entry
  // in the menu that holds it (opened by the mouse resting there): Right
  // moves into the submenu first. Its WM_INITMENUPOPUP then fills it.
  bool inSubmenu = false;
  for (int pos = 0, n = GetMenuItemCount(menu); pos < n; ++pos)
    if (GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_HILITE) inSubmenu = true;
  if (!inSubmenu) PostMessageW(parent.front(), WM_KEYDOWN, VK_RIGHT, 0);
  PostMessageW(parent.front(), WM_KEYDOWN, VK_LEFT, 0);
  PostMessageW(parent.front(), WM_KEYDOWN, VK_RIGHT, 0);
}

void Win32Menus::RedrawOpenMenus() {
  for (HWND wnd : OpenMenuWindows(nullptr)) InvalidateRect(wnd, nullptr, TRUE);
}

}  // namespace vx::win32
