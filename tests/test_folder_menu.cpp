// A folder item that opens as a menu: what it lists and in which order,
// when it is listed (never while the launch menu is made, and aside), what
// its entries start, its hotkey, and that every image goes once.
#include <filesystem>
#include <fstream>

#include "app/Fom_Main.h"
#include "core/Unit_All.h"
#include "tests/harness.h"

namespace vx::test {

namespace {

using V = std::vector<std::string>;

V Captions(const std::vector<MenuEntrySpec>& entries) {
  V out;
  for (const auto& e : entries) out.push_back(e.separator ? "-" : e.enabled ? e.caption : "(" + e.caption + ")");
  return out;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

class FolderMenu : public ::testing::Test {
 protected:
  FolderMenu() {
    tools = d.dir / "Tools";
    std::filesystem::create_directories(tools + "/sub 2");
    std::filesystem::create_directories(tools + "/Sub 10");
    std::filesystem::create_directories(tools + "/Beta/Deep");
    for (const char* f : {"b.txt", "A 10.txt", "A 2.txt", "Tool.lnk", "Site.url", "desktop.ini", "secret.txt",
                          "Tom & Jerry.txt", "run.bat"})
      Touch(tools + "/" + f);
    d.p.hiddenFiles.insert(tools + "/secret.txt");
    d.WriteIni(
        "[Basic]\r\nCount=3\r\nVisibleMenuIcon=1\r\n[0]\r\nName=\"Tools\"\r\nHotKey=49236\r\nExe=\"" + tools +
        "\"\r\nSubmenu=1\r\n[1]\r\nName=\"Calc\"\r\nExe=\"calc.exe\"\r\n[2]\r\nName=\"Notes\"\r\nHotKey=49230\r\n"
        "Exe=\"" +
        tools + "/b.txt\"\r\nSubmenu=1\r\n");
    EXPECT_EQ(d.Start(), -1);
  }
  ~FolderMenu() override {
    if (d.program) d.Close();
  }
  // Opens the launch menu with a left click, and in it the submenu of the
  // entry with that caption; `inside` runs while both are up and chooses.
  void OpenFolder(const std::function<int(const HeadlessPlatform::Popup&, int opener)>& inside,
                  const std::string& caption = "Tools") {
    d.p.onPopup = [&, inside, caption](const HeadlessPlatform::Popup& pop) {
      const int opener = Choose(pop, caption);
      d.p.OpenSubmenu(opener);
      return inside(d.p.popups.back(), opener);
    };
    d.p.keys[kVkLButton] = true;
    d.Tray(kWmLButtonDown);
    d.p.keys[kVkLButton] = false;
    d.Tray(kWmLButtonUp);
    d.Pump();
  }
  std::string tools;
  Desktop d;
};

}  // namespace

TEST_F(FolderMenu, ItListsItsFoldersThenItsFilesAsExplorerSortsThemAndStartsWhatIsChosen) {
  V shown;
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
    shown = Captions(pop.Submenu(opener)->entries);
    return Choose(*pop.Submenu(opener), "b.txt");
  });
  // Hidden and system files and desktop.ini are left out; a shortcut shows
  // without its extension; "&" shows as itself.
  EXPECT_EQ(shown, (V{"開く", "-", "Beta", "sub 2", "Sub 10", "A 2.txt", "A 10.txt", "b.txt", "run.bat", "Site",
                      "Tom && Jerry.txt", "Tool"}));
  ASSERT_EQ(d.p.launches.size(), 1u);
  EXPECT_EQ(d.p.launches[0].verb, "OPEN");
  EXPECT_EQ(d.p.launches[0].file, tools + "/b.txt");

  // A sub-folder is a menu of its own; an empty one says so, greyed, and
  // its "開く" opens it.
  V inner, deep;
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
    const int beta = Choose(*pop.Submenu(opener), "Beta");
    d.p.OpenSubmenu(beta);
    inner = Captions(pop.Submenu(beta)->entries);
    const int sub = Choose(*pop.Submenu(opener), "sub 2");
    d.p.OpenSubmenu(sub);
    deep = Captions(pop.Submenu(sub)->entries);
    return Choose(*pop.Submenu(sub), "開く");
  });
  EXPECT_EQ(inner, (V{"開く", "-", "Deep"}));
  EXPECT_EQ(deep, (V{"開く", "-", "((空))"}));
  ASSERT_EQ(d.p.launches.size(), 2u);
  EXPECT_EQ(d.p.launches[1].file, tools + "/sub 2");

  // The folder's own "開く" starts the item as it always has.
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) { return Choose(*pop.Submenu(opener), "開く"); });
  ASSERT_EQ(d.p.launches.size(), 3u);
  EXPECT_EQ(d.p.launches[2].file, tools);
  // A line, the entry that opens a submenu or a greyed one starts nothing.
  for (const char* caption : {"-", "Beta"})
    OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) { return Choose(*pop.Submenu(opener), caption); });
  EXPECT_EQ(d.p.launches.size(), 3u);
}

TEST_F(FolderMenu, CtrlShiftStartsAProgramElevatedAndADocumentAsEver) {
  for (const char* file : {"run.bat", "b.txt"}) {
    OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
      d.p.keys[kVkControl] = d.p.keys[kVkShift] = true;
      return Choose(*pop.Submenu(opener), file);
    });
    d.p.keys[kVkControl] = d.p.keys[kVkShift] = false;
  }
  ASSERT_EQ(d.p.launches.size(), 2u);
  EXPECT_EQ(d.p.launches[0].verb, "runas");
  EXPECT_EQ(d.p.launches[1].verb, "OPEN");
}

TEST_F(FolderMenu, ItIsListedAsItOpensAsideAndASlowFolderHoldsUpNothing) {
  d.p.slowShares[tools] = 5000;
  d.p.listedFolders.clear();
  const std::uint64_t pressed = d.p.tick;
  std::uint64_t opened = 0, filledAt = 0;
  V before, after;
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
    opened = d.p.tick;
    before = Captions(pop.Submenu(opener)->entries);
    EXPECT_EQ(d.p.tick, opened);  // the UI thread never waits for the share
    d.p.RunClock(6000);           // the submenu stays up; the listing comes meanwhile
    after = Captions(d.p.popups.back().Submenu(opener)->entries);
    filledAt = d.p.tick;
    return -1;
  });
  EXPECT_LE(opened - pressed, 100u);
  EXPECT_EQ(before, (V{"開く", "-", "(...)"}));
  ASSERT_GE(after.size(), 3u);
  EXPECT_EQ(after[2], "Beta");
  EXPECT_GE(filledAt, opened + 5000);
  EXPECT_EQ(d.p.listedFolders, V{tools});

  // The launch menu alone lists no folder; each opening of the folder's
  // menu lists it once, anew.
  d.p.slowShares.clear();
  d.p.onPopup = [](const HeadlessPlatform::Popup&) { return -1; };
  d.system().PressHotKey(kModControl, 0x4D);
  d.Pump();
  EXPECT_EQ(d.p.listedFolders, V{tools});
  Touch(tools + "/new.txt");
  V again;
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
    again = Captions(pop.Submenu(opener)->entries);
    return -1;
  });
  EXPECT_EQ(d.p.listedFolders, (V{tools, tools}));
  EXPECT_NE(std::find(again.begin(), again.end(), "new.txt"), again.end());
}

TEST_F(FolderMenu, AFolderShowsFiveHundredEntriesAndTheLastOneOpensIt) {
  for (int i = 0; i < 510; ++i) Touch(tools + "/sub 2/f" + std::to_string(i) + ".txt");
  V shown;
  OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
    const int sub = Choose(*pop.Submenu(opener), "sub 2");
    d.p.OpenSubmenu(sub);
    shown = Captions(pop.Submenu(sub)->entries);
    return pop.Submenu(sub)->firstId + static_cast<int>(shown.size()) - 1;
  });
  ASSERT_EQ(shown.size(), 2u + kMaxFolderEntries + 1u);
  EXPECT_EQ(shown[2], "f0.txt");
  EXPECT_EQ(shown[3], "f1.txt");  // by number: f1 before f10
  EXPECT_EQ(shown.back(), "...");
  ASSERT_EQ(d.p.launches.size(), 1u);
  EXPECT_EQ(d.p.launches[0].file, tools + "/sub 2");
}

TEST_F(FolderMenu, ItsHotkeyPopsTheFolderUpAtTheCursorAndAFileStartsAsEver) {
  d.p.cursor = Point{7, 8};
  V shown;
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    shown = Captions(pop.entries);
    return Choose(pop, "A 2.txt");
  };
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'T'));
  d.Pump();
  ASSERT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(d.p.popups[0].at.x, 7);
  EXPECT_EQ(d.p.popups[0].at.y, 8);
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[2], "Beta");
  ASSERT_EQ(d.p.launches.size(), 1u);
  EXPECT_EQ(d.p.launches[0].file, tools + "/A 2.txt");
  // An item whose program is a file starts it, menu or not.
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'N'));
  d.Pump();
  EXPECT_EQ(d.p.popups.size(), 1u);
  ASSERT_EQ(d.p.launches.size(), 2u);
  EXPECT_EQ(d.p.launches[1].file, tools + "/b.txt");
  // A left double-click on the icon, whose item it is, opens the folder as
  // it always has, and no menu.
  LeftDoubleClickMenuNo = 0;
  const std::uint32_t clicks[] = {kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, kWmLButtonUp};
  for (int i = 0; i < 4; ++i) {  // queued before the first is handled, as a quick person's are
    d.p.keys[kVkLButton] = i % 2 == 0;
    d.Tray(clicks[i]);
  }
  d.p.keys[kVkLButton] = false;
  d.Pump();
  EXPECT_EQ(d.p.popups.size(), 1u);
  ASSERT_EQ(d.p.launches.size(), 3u);
  EXPECT_EQ(d.p.launches[2].file, tools);
  Form_Main->AutoPopupOn();
  // As the launch menu's own hotkey, it opens nothing while the menus are off.
  Form_Main->AutoPopupOff();
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'T'));
  d.Pump();
  EXPECT_EQ(d.p.popups.size(), 1u);
  Form_Main->AutoPopupOn();
}

TEST_F(FolderMenu, EveryImageAndMenuGoesOnce) {
  d.p.filesWithIcons.insert(tools + "/b.txt");
  for (int i = 0; i < 2; ++i) {
    OpenFolder([&](const HeadlessPlatform::Popup& pop, int opener) {
      d.p.OpenSubmenu(Choose(*pop.Submenu(opener), "Beta"));
      // Each entry shows an image of the icon's size, the icon drawn in it.
      for (const auto& e : pop.Submenu(opener)->entries)
        if (!e.separator && e.caption != "開く") {
          EXPECT_NE(e.bitmap, 0u) << e.caption;
        }
      return -1;
    });
  }
  // The menu made anew while icons are still to come: they are let go.
  d.p.slowIcons[tools + "/run.bat"] = 3000;
  OpenFolder([&](const HeadlessPlatform::Popup&, int) { return -1; });
  Form_Main->CreateMI_Exe();
  d.p.RunClock(4000);
  d.Pump();
  d.Close();
  EXPECT_TRUE(d.p.liveBitmaps.empty());
  EXPECT_TRUE(d.p.liveIcons.empty());
}

// On a share that answers slowly, the hotkey's menu shows at once with
// "...", fills when the listing comes, and a press meanwhile adds no menu.
// An item whose Exe is a file is a plain entry in the launch menu.
TEST_F(FolderMenu, ItsHotkeyShowsOneMenuAtOnceAndAFileItemIsAPlainEntry) {
  d.p.slowShares[tools] = 5000;
  const std::uint64_t pressed = d.p.tick;
  V first, filled;
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    first = Captions(pop.entries);
    EXPECT_LE(d.p.tick - pressed, TFolderMenu::kListingWaitMs);
    EXPECT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'T'));
    d.p.RunClock(6000);
    filled = Captions(d.p.popups.back().entries);
    return -1;
  };
  ASSERT_TRUE(d.system().PressHotKey(kModControl | kModAlt, 'T'));
  d.Pump();
  EXPECT_EQ(d.p.popups.size(), 1u);
  EXPECT_EQ(first, (V{"開く", "-", "(...)"}));
  ASSERT_GE(filled.size(), 3u);
  EXPECT_EQ(filled[2], "Beta");

  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    EXPECT_FALSE(pop.entries.at(static_cast<std::size_t>(Choose(pop, "Notes"))).submenu);
    EXPECT_TRUE(pop.entries.at(static_cast<std::size_t>(Choose(pop, "Tools"))).submenu);
    return Choose(pop, "Notes");
  };
  d.p.keys[kVkLButton] = true;
  d.Tray(kWmLButtonDown);
  d.p.keys[kVkLButton] = false;
  d.Tray(kWmLButtonUp);
  d.Pump();
  ASSERT_EQ(d.p.launches.size(), 1u);
  EXPECT_EQ(d.p.launches[0].file, tools + "/b.txt");
}

// Every thread is held by starts on a share that does not answer: the
// listing begun as the person moved onto the folder, and its icons, are
// dropped when the launch menu closes, not run for nobody later.
TEST_F(FolderMenu, LookUpsForAClosedMenuAreDropped) {
  d.p.slowShares["\\\\nas\\"] = 30000;
  for (int i = 0; i < JobQueue::kThreads; ++i)
    d.p.RunAside(JobSpec(
        Lane::Start, "\\\\nas\\x", [&] { d.p.ShareLookUp("\\\\nas\\x"); }, [] {}));
  d.p.listedFolders.clear();
  d.p.onPopup = [&](const HeadlessPlatform::Popup& pop) {
    d.p.Highlight(Choose(pop, "Tools"));
    return -1;
  };
  d.p.keys[kVkLButton] = true;
  d.Tray(kWmLButtonDown);
  d.p.keys[kVkLButton] = false;
  d.Tray(kWmLButtonUp);
  d.Pump();
  d.p.RunClock(31000);
  EXPECT_TRUE(d.p.listedFolders.empty());
  EXPECT_TRUE(d.p.JobsIdle());
}

}  // namespace vx::test
