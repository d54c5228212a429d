#include "core/profile.h"

#include "core/messages.h"

#include "tests/harness.h"

namespace vx::test {

class Profile : public ::testing::Test {
 protected:
  std::string path() const { return dir / "t.ini"; }
  // Writes `text`, opens it, lets `edit` change it, flushes, returns the file.
  template <class F>
  std::string Edit(const std::string& text, F edit) {
    WriteFile(path(), SjisBytes(text));
    ProfileFile ini(files, FilePath(path()), Sjis());
    edit(ini);
    ini.Flush();
    return FileText(ReadFile(path()));
  }
  TempDir dir;
  PosixFiles files;
};

TEST_F(Profile, ReadsNamesAndValuesAsTheProfileFunctionsDo) {
  WriteFile(path(),
            "first line\r\n"
            "[Basic]\r\n"
            "  AtomName  =  \"  padded  \"  \r\n"
            "Quoted=\"\"C:\\a b\\x.exe\" -v\"\r\n"
            "Single='one'\r\n"
            "Half=\"open\r\n"
            "empty=\r\n"
            ";Count=5\r\n"
            "Count=1\r\n"
            "count=2\r\n"
            "[ basic ]\r\n"
            "Extra=dup\r\n"
            "[Other]\n"
            "Lf=only\n"
            "[Last]\r\n"
            "NoEnd=tail");
  ProfileFile ini(files, FilePath(path()), Sjis());
  EXPECT_TRUE(ini.Existed());
  EXPECT_EQ(ini.ReadString("basic", "atomname", "d"), "  padded  ");
  EXPECT_EQ(ini.ReadString("Basic", "Quoted", "d"), "\"C:\\a b\\x.exe\" -v");
  EXPECT_EQ(ini.ReadString("Basic", "Single", "d"), "one");
  EXPECT_EQ(ini.ReadString("Basic", "Half", "d"), "\"open");
  EXPECT_EQ(ini.ReadString("Basic", "empty", "d"), "");
  EXPECT_EQ(ini.ReadInteger("Basic", "Count", 0), 1);           // first of duplicates; comment ignored
  EXPECT_EQ(ini.ReadString("Basic", "Extra", "none"), "none");  // duplicate section is not read
  EXPECT_EQ(ini.ReadString("OTHER", "lf", "d"), "only");
  EXPECT_EQ(ini.ReadString("Last", "NoEnd", "d"), "tail");
  EXPECT_EQ(ini.ReadString("Missing", "x", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("Basic", "Single", 9), 9);  // no number: default
  EXPECT_EQ(ini.ReadInteger("Basic", "empty", 9), 9);
}

TEST_F(Profile, MissingAndEmptyFiles) {
  {
    ProfileFile ini(files, FilePath(path()), Sjis());
    EXPECT_FALSE(ini.Existed());
    EXPECT_EQ(ini.ReadString("a", "b", "c"), "c");
    ini.Flush();  // nothing written: no file appears
  }
  EXPECT_FALSE(files.Exists(FilePath(path())));
  EXPECT_EQ(Edit("", [](ProfileFile& i) { i.WriteString("S", "K", "v"); }), "[S]\r\nK=v\r\n");
}

TEST_F(Profile, ValuesAreCutAt2047BytesOnACharacterBoundary) {
  const std::string longAscii(3000, 'x');
  std::string kana;
  for (int i = 0; i < 1200; ++i) kana += "ア";  // 2400 bytes
  WriteFile(path(), SjisBytes("[S]\r\nA=" + longAscii + "\r\nK=x" + kana + "\r\nQ=\"" + longAscii + "\"\r\n"));
  ProfileFile ini(files, FilePath(path()), Sjis());
  EXPECT_EQ(ini.ReadString("S", "A", ""), std::string(2047, 'x'));
  // One ASCII byte, then double-byte characters: 2047 bytes would end in the
  // middle of a character, so the cut comes one byte earlier.
  std::string k = ini.ReadString("S", "K", "");
  EXPECT_EQ(SjisWidth(k), 2047u);
  EXPECT_EQ(k, "x" + kana.substr(0, 1023 * std::string("ア").size()));
  EXPECT_EQ(ini.ReadString("S", "Q", ""), std::string(2047, 'x'));
}

TEST_F(Profile, ForeignBytesStayAndProgramKeysAreRewrittenInPlace) {
  const std::string before =
      "; my own notes\r\n"
      "\r\n"
      "[Mine]\n"
      "  keep =  this \n"
      "[Basic]\r\n"
      "  count = 3  ; old\r\n"
      "Other=x\r\n"
      "; section comment\r\n"
      "\r\n"
      "[Tail]\r\n"
      "z=1";
  std::string after = Edit(before, [](ProfileFile& i) {
    i.WriteString("Basic", "Count", "5");
    i.WriteString("Basic", "New", "n");
    i.WriteString("mine", "Added", "a");
    i.WriteString("Fresh", "K", "\"v\"");
    i.WriteString("Tail", "z", "2");
  });
  EXPECT_EQ(after,
            "; my own notes\r\n"
            "\r\n"
            "[Mine]\n"
            "  keep =  this \n"
            "Added=a\r\n"
            "[Basic]\r\n"
            "Count=5\r\n"
            "Other=x\r\n"
            "New=n\r\n"
            "; section comment\r\n"
            "\r\n"
            "[Tail]\r\n"
            "z=2\r\n"
            "[Fresh]\r\n"
            "K=\"v\"\r\n");
}

TEST_F(Profile, AFileWithoutAFinalLineEndGetsOneBeforeAnAddition) {
  EXPECT_EQ(Edit("[A]\r\nx=1", [](ProfileFile& i) { i.WriteString("B", "y", "2"); }), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(Edit("[A]\r\nx=1", [](ProfileFile& i) { i.WriteString("A", "y", "2"); }), "[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(Edit("[A]", [](ProfileFile& i) { i.WriteString("A", "y", "2"); }), "[A]\r\ny=2\r\n");
  EXPECT_EQ(Edit(";only", [](ProfileFile& i) { i.WriteString("A", "y", "2"); }), ";only\r\n[A]\r\ny=2\r\n");
  // A written line ends in CR LF, also when it already held what is written.
  EXPECT_EQ(Edit("[A]\r\nk=", [](ProfileFile& i) { i.WriteString("A", "k", ""); }), "[A]\r\nk=\r\n");
  EXPECT_EQ(Edit("[A]\r\nk=1\r", [](ProfileFile& i) { i.WriteString("A", "k", "1\r"); }), "[A]\r\nk=1\r\r\n");
}

TEST_F(Profile, DuplicateKeysAndSectionsWriteTheFirst) {
  EXPECT_EQ(Edit("[A]\r\nk=1\r\nK=2\r\n[a]\r\nk=3\r\n", [](ProfileFile& i) { i.WriteString("a", "K", "9"); }),
            "[A]\r\nK=9\r\nK=2\r\n[a]\r\nk=3\r\n");
}

// "‐" is 0x81 0x5D: its trail byte is the code of "]".
TEST_F(Profile, ASectionNameMayEndInADoubleByteCharacterWhoseTrailByteIsABracket) {
  const std::string after = Edit("[項目‐]\r\nk=1\r\n[‐] \r\nj=2\r\n", [](ProfileFile& i) {
    EXPECT_EQ(i.ReadString("項目‐", "k", ""), "1");
    EXPECT_EQ(i.ReadString("‐", "j", ""), "2");
    i.WriteString("項目‐", "k", "3");
    i.WriteString("‐", "n", "4");
  });
  EXPECT_EQ(after, "[項目‐]\r\nk=3\r\n[‐] \r\nj=2\r\nn=4\r\n");
}

// Sections asked for in the file's order are found from the one before;
// names that end early or hold a bracket are found as the rules say.
TEST_F(Profile, SectionsInTheFilesOrderAreFoundByTheirOwnRules) {
  WriteFile(path(),
            SjisBytes("[a]b]\r\nk=1\r\n[c\r\nk=2\r\n[d]\r\nk=3\r\n[ e ]\r\nk=4\r\n[‐]\r\nk=5\r\n[x\x81]\r\nk=6\r\n"));
  ProfileFile ini(files, FilePath(path()), Sjis());
  EXPECT_EQ(ini.ReadString("a", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("a]b", "k", "none"), "none");
  EXPECT_EQ(ini.ReadString("c", "k", ""), "2");
  EXPECT_EQ(ini.ReadString("d", "k", ""), "3");
  EXPECT_EQ(ini.ReadString("e", "k", ""), "4");
  EXPECT_EQ(ini.ReadString("‐", "k", ""), "5");
  // 0x81 0x5D is "‐": the bracket's byte is part of a character.
  EXPECT_EQ(ini.ReadString("x", "k", "none"), "none");
  EXPECT_EQ(ini.ReadString("x‐", "k", ""), "6");
}

TEST_F(Profile, ALargeSectionFindsItsKeysTheSameWay) {
  std::string text = "[Big]\r\n";
  for (int i = 0; i < 100; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  text += "key7=duplicate\r\n";
  const std::string after = Edit(text, [](ProfileFile& i) {
    EXPECT_EQ(i.ReadString("big", "KEY7", ""), "7");  // the first of duplicates
    i.WriteString("Big", "Key99", "changed");
    i.WriteString("Big", "New", "n");
    EXPECT_EQ(i.ReadString("Big", "new", ""), "n");
    i.WriteString("Big", "NEW", "again");
    EXPECT_EQ(i.ReadString("Big", "New", ""), "again");
  });
  EXPECT_NE(after.find("Key99=changed\r\nkey7=duplicate\r\nNEW=again\r\n"), std::string::npos) << after;
}

TEST_F(Profile, ARemovedKeyTakesItsFirstLineAndALaterOneAnswers) {
  EXPECT_EQ(Edit("[A]\r\nk=1\r\n;c\r\nK=2\r\nj=3\r\n[a]\r\nk=4\r\n",
                 [](ProfileFile& i) {
                   i.DeleteKey(" a ", "K");
                   EXPECT_EQ(i.ReadString("A", "k", ""), "2");
                   i.DeleteKey("A", "k");
                   EXPECT_EQ(i.ReadString("A", "k", "none"), "none");  // the duplicate section is not read
                   i.DeleteKey("A", "k");                              // nothing left to remove
                 }),
            "[A]\r\n;c\r\nj=3\r\n[a]\r\nk=4\r\n");
  // A missing key or section changes nothing, not even a missing final line end.
  EXPECT_EQ(Edit("[A]\r\nk=1",
                 [](ProfileFile& i) {
                   i.DeleteKey("A", "x");
                   i.DeleteKey("B", "k");
                 }),
            "[A]\r\nk=1");
  // The last line of a file without a final line end.
  EXPECT_EQ(Edit("[A]\r\nj=0\r\nk=1", [](ProfileFile& i) { i.DeleteKey("A", "k"); }), "[A]\r\nj=0\r\n");
}

TEST_F(Profile, AKeyAddedAfterARemovalGoesWhereTheLastKeyStood) {
  EXPECT_EQ(Edit("[A]\r\nj=0\r\n;c\r\nk=1\r\n\r\n[B]\r\n",
                 [](ProfileFile& i) {
                   i.DeleteKey("A", "k");
                   i.WriteString("A", "n", "2");
                   i.DeleteKey("A", "j");
                   EXPECT_EQ(i.ReadString("A", "n", ""), "2");
                 }),
            "[A]\r\n;c\r\nn=2\r\n\r\n[B]\r\n");
  // Keys this engine added are removed as well; a new section keeps its header.
  EXPECT_EQ(Edit("[A]\r\nj=0\r\n",
                 [](ProfileFile& i) {
                   i.WriteString("A", "x", "1");
                   i.WriteString("A", "y", "2");
                   i.DeleteKey("A", "X");
                   i.WriteString("N", "z", "3");
                   i.DeleteKey("n", "z");
                   EXPECT_EQ(i.ReadString("N", "z", "none"), "none");
                 }),
            "[A]\r\nj=0\r\ny=2\r\n[N]\r\n");
  // A big section, with its index.
  std::string text = "[Big]\r\n";
  for (int i = 0; i < 40; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  text += "key7=late\r\n";
  const std::string after = Edit(text, [](ProfileFile& i) {
    i.DeleteKey("Big", "Key7");
    EXPECT_EQ(i.ReadString("Big", "KEY7", ""), "late");
    EXPECT_EQ(i.ReadString("Big", "Key39", ""), "39");
  });
  EXPECT_EQ(after.find("Key7="), std::string::npos);
  EXPECT_NE(after.find("Key6=6\r\nKey8=8\r\n"), std::string::npos);
}

TEST_F(Profile, ARefusedFlushRaisesTheErrorAndKeepsTheOldFile) {
  WriteFile(path(), SjisBytes("[A]\r\nk=1\r\n"));
  ProfileFile ini(files, FilePath(path()), Sjis());
  ini.WriteString("A", "k", "2");
  std::filesystem::permissions(path(), std::filesystem::perms::owner_read);
  try {
    ini.Flush();
    FAIL() << "a read-only file was written";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), path() + " に書き込めません");
  }
  EXPECT_EQ(ReadFile(path()), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(path() + ".vxtmp"));
}

// The file's form: Shift-JIS while everything fits, UTF-16 LE from the first
// character that does not, and UTF-16 from then on.
TEST_F(Profile, AFileStaysShiftJisUntilACharacterNeedsUtf16AndThenStaysUtf16) {
  const std::string sjis = SjisBytes(";head\r\n[表]\r\nk=ア\r\n; note\r\n\r\n[Other]\r\nx=1");
  WriteFile(path(), sjis);
  {
    ProfileFile ini(files, FilePath(path()), Sjis());
    EXPECT_EQ(ini.ReadString("表", "k", ""), "ア");
    ini.WriteString("表", "k", "ア");  // the same value: nothing to write
    ini.WriteString("表", "n", "～");
    ini.Flush();
    EXPECT_EQ(ini.FileForm(), ProfileFile::Form::ShiftJis);
  }
  EXPECT_EQ(FileText(ReadFile(path())), ";head\r\n[表]\r\nk=ア\r\nn=～\r\n; note\r\n\r\n[Other]\r\nx=1");
  {
    ProfileFile ini(files, FilePath(path()), Sjis());
    ini.WriteString("表", "n", "Büro ☕ 발표 😀");
    ini.Flush();
    EXPECT_EQ(ini.FileForm(), ProfileFile::Form::Utf16);
  }
  const std::string utf16 = ReadFile(path());
  ASSERT_EQ(utf16.substr(0, 4), std::string("\xFF\xFE;\0", 4));
  EXPECT_EQ(FileText(utf16), ";head\r\n[表]\r\nk=ア\r\nn=Büro ☕ 발표 😀\r\n; note\r\n\r\n[Other]\r\nx=1");
  {
    ProfileFile ini(files, FilePath(path()), Sjis());
    EXPECT_EQ(ini.ReadString("表", "n", ""), "Büro ☕ 발표 😀");
    ini.WriteString("Other", "x", "2");
    ini.Flush();
  }
  EXPECT_EQ(ReadFile(path()).substr(0, 2), "\xFF\xFE");
  EXPECT_NE(FileText(ReadFile(path())).find("[Other]\r\nx=2"), std::string::npos);
}

TEST_F(Profile, BytesThatAreNoShiftJisStayAndRefuseTheConversion) {
  const std::string bytes = "[S]\r\nbad=\x85\x40\xFF\r\nk=1\r\n";
  WriteFile(path(), bytes);
  ProfileFile ini(files, FilePath(path()), Sjis());
  ini.WriteString("S", "k", "表");
  ini.Flush();
  EXPECT_EQ(ReadFile(path()), "[S]\r\nbad=\x85\x40\xFF\r\nk=\x95\x5C\r\n");
  // A character Shift-JIS lacks would need UTF-16, which cannot hold them.
  ini.WriteString("S", "k", "ü");
  try {
    ini.Flush();
    FAIL() << "bytes that are no characters were converted";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind(path() + " に Shift-JIS として読めないバイトがあるため", 0), 0u) << e.what();
  }
  EXPECT_EQ(ReadFile(path()), "[S]\r\nbad=\x85\x40\xFF\r\nk=\x95\x5C\r\n");
  EXPECT_EQ(ini.FileForm(), ProfileFile::Form::ShiftJis);
}

TEST_F(Profile, ALoneCarriageReturnEndingTheFileIsPartOfTheLastLine) {
  // "  [\r" names the section "\r", not "": a write to "" adds its own.
  EXPECT_EQ(Edit("[a]\r\n  [\r", [](ProfileFile& i) { i.WriteString("", "k", "v"); }), "[a]\r\n  [\r\r\n[]\r\nk=v\r\n");
  EXPECT_EQ(Edit("  [\r\nk=1\r\n", [](ProfileFile& i) { i.WriteString("", "k", "2"); }), "  [\r\nk=2\r\n");
}

// A section's keys read or written together must answer and write exactly
// as the same keys one by one, whatever the section holds.
TEST_F(Profile, KeysTakenTogetherActAsKeysTakenOneByOne) {
  const char* const files_[] = {
      "",                                                                                 // nothing
      "[0]\r\nName=\"n\"\r\nHotKey=65\r\nExe=\"e\"\r\n[1]\r\nName=\"m\"\r\n",             // as the program writes it
      "[0]\nName=\"n\"\nHotKey=65\nExe=\"e\"\n",                                          // LF line ends
      "[0]\r\n;c\r\n\r\n exe = \"e\" \r\nNAME=\"n\"\r\nname=dup\r\n[0]\r\nHotKey=1\r\n",  // other order, case, blanks,
                                                                                          // duplicates
      "[0]\r\nName=\"n\"\r\nHotKey=65\r\nExe=\"e\"\r\nExe=\"late\"\r\n[x]\r\n",           // a later duplicate key
      "[0]\r\nName=\"a\r\nb\"\r\nHotKey=65\r\nExe=\"e\"\r\n",  // a value's text spans two lines
      "[0]\r\nName=\"n\"\r\nHotKey=65\r\nExe=\"e\"",           // no final line end
      "x\r\n[1]\r\nName=1\r\n[0]\r\nHotKey=7\r\n",             // sections out of order
  };
  struct Batch {
    const char* section;
    std::vector<ProfileFile::KeyWrite> keys;
  };
  const std::vector<Batch> batches = {
      {"0", {{"Name", "n", true}, {"HotKey", "65", false}, {"Exe", "e", true}}},       // unchanged
      {"0", {{"Name", "a\r\nb", true}, {"HotKey", "65", false}, {"Exe", "e", true}}},  // a line end in a value
      {" 0 ", {{" Exe ", "E2", true}, {"Par", "p", true}, {"name", "N2", false}}},     // other order, a new key
      {"0", {{"Name", "x", false}, {"NAME", "y", false}}},                             // one name twice
      {"0", {{"a=b", "1", false}, {";c", "2", false}, {"[d", "3", false}}},            // names no key line holds
      {"new", {{"Name", "n", true}, {"Dir", "d", true}}},                              // a section new to the file
      // Keys removed in the batch: one the section may hold, one it lacks.
      {"0", {{"Name", "n", true}, {"HotKey", "", false, true}, {"Exe", "e", true}, {"Show", "", false, true}}},
      {"0", {{"Exe", "", false, true}, {"Added", "", false, true}, {"Par", "p", true}}},
      {"new", {{"Name", "n", true}, {"Dir", "", false, true}}},
  };
  {
    // No keys: nothing read, nothing written.
    const std::string before = "[0]\r\nName=x";
    EXPECT_EQ(Edit(before,
                   [](ProfileFile& ini) {
                     ini.ReadKeys("0", nullptr, 0);
                     ini.WriteKeys("0", nullptr, 0);
                   }),
              before);
  }
  auto plain = [](const ProfileFile::KeyWrite& k) {
    return k.quoted ? "\"" + std::string(k.value) + "\"" : std::string(k.value);
  };
  for (const char* text : files_) {
    for (const Batch& batch : batches) {
      // Before the batch: nothing, a rewritten line, or a key added to the section.
      for (int before = 0; before < 3; ++before) {
        auto prepare = [&](ProfileFile& ini) {
          if (before == 1) ini.WriteString("0", "HotKey", "66");
          if (before == 2) ini.WriteString("0", "Added", "1");
        };
        std::string oneByOne, together;
        std::vector<std::string> readOne, readTogether;
        oneByOne = Edit(text, [&](ProfileFile& ini) {
          prepare(ini);
          for (const auto& k : batch.keys) readOne.push_back(ini.ReadString(batch.section, k.key, "<none>"));
          for (const auto& k : batch.keys) {
            if (k.remove)
              ini.DeleteKey(batch.section, k.key);
            else
              ini.WriteString(batch.section, k.key, plain(k));
          }
          for (const auto& k : batch.keys) readOne.push_back(ini.ReadString(batch.section, k.key, "<none>"));
        });
        together = Edit(text, [&](ProfileFile& ini) {
          prepare(ini);
          auto readAll = [&] {
            std::vector<std::string> values(batch.keys.size(), "<none>");
            std::vector<ProfileFile::KeyRead> reads;
            for (std::size_t i = 0; i < batch.keys.size(); ++i) reads.push_back({batch.keys[i].key, &values[i]});
            ini.ReadKeys(batch.section, reads.data(), reads.size());
            for (std::size_t i = 0; i < reads.size(); ++i)
              readTogether.push_back(reads[i].found ? values[i] : "<none>");
          };
          readAll();
          ini.WriteKeys(batch.section, batch.keys.data(), batch.keys.size());
          readAll();
        });
        SCOPED_TRACE(::testing::Message() << "file " << text << " section " << batch.section << " before " << before);
        EXPECT_EQ(together, oneByOne);
        EXPECT_EQ(readTogether, readOne);
      }
    }
  }
}

}  // namespace vx::test

namespace vx::test {

// A file in another Unicode form is read whole in it; a write makes it
// UTF-16 LE, as Windows' profile functions keep Unicode, never a file in
// two forms. An odd last byte of a UTF-16 file stays, last.
TEST_F(Profile, OtherUnicodeFormsAreReadWholeAndWrittenAsUtf16LittleEndian) {
  std::string le;
  ASSERT_TRUE(TextToUtf16File("[A]\r\nk=J\xC3\xBCrgen\r\n", nullptr, le));
  le.insert(0, "\xFF\xFE");
  std::string be = le;
  for (std::size_t i = 0; i < be.size(); i += 2) std::swap(be[i], be[i + 1]);
  struct Form {
    const char* name;
    std::string bytes, written;
  };
  for (const Form& f : std::vector<Form>{
           {"UTF-16 BE", be, le},
           {"UTF-8", "\xEF\xBB\xBF[A]\r\nk=J\xC3\xBCrgen\r\n", le},
           {"UTF-16 LE with an odd last byte", le + "\x41", le + "\x41"},
           {"UTF-16 BE with an odd last byte", be + "\x42", le + "\x42"},
       }) {
    SCOPED_TRACE(f.name);
    WriteFile(path(), f.bytes);
    {
      ProfileFile ini(files, FilePath(path()), Sjis());
      EXPECT_EQ(ini.FileForm(), ProfileFile::Form::Utf16);
      EXPECT_EQ(ini.ReadString("A", "k", ""), "J\xC3\xBCrgen");
      ini.Flush();  // nothing written: the file stays as it is
    }
    EXPECT_EQ(ReadFile(path()), f.bytes);
    ProfileFile ini(files, FilePath(path()), Sjis());
    ini.WriteString("A", "k", "J\xC3\xBCrgen");
    ini.Flush();
    EXPECT_EQ(ReadFile(path()), f.written);
  }
}

// A save whose file the next start could not read (over 64 MiB in its
// form) is refused before anything is written.
TEST_F(Profile, ASaveOverTheLimitIsRefusedBeforeAnythingIsWritten) {
  // About 40 MiB of Shift-JIS that would take about 80 MiB as UTF-16.
  const std::string big = "[Big]\r\n" + std::string(40u << 20, ';') + "\r\n";
  WriteFile(path(), big);
  ProfileFile ini(files, FilePath(path()), Sjis());
  ini.WriteString("A", "Name", "\xF0\x9F\x98\x80");  // an emoji: the file must become UTF-16
  try {
    ini.Flush();
    ADD_FAILURE() << "written";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), Format(Tr(kMsgTooLarge), path()));
  }
  EXPECT_EQ(ReadFile(path()), big);
  EXPECT_FALSE(std::filesystem::exists(path() + ".vxtmp"));
}

}  // namespace vx::test

namespace vx::test {

// The last conversion is kept, but the file is read anew by every routine:
// a change made by another program in between is seen, and a text written
// back as it was read is the file's own bytes.
TEST_F(Profile, AKeptConversionNeverHidesAChangeMadeBetweenRoutines) {
  const std::string before = SjisBytes("[項目]\r\n名前=一\r\n"), after = SjisBytes("[項目]\r\n名前=二\r\n");
  ASSERT_EQ(before.size(), after.size());
  WriteFile(path(), before);
  EXPECT_EQ(ProfileFile(files, FilePath(path()), Sjis()).ReadString("項目", "名前", ""), "一");
  WriteFile(path(), after);
  ProfileFile ini(files, FilePath(path()), Sjis());
  EXPECT_EQ(ini.ReadString("項目", "名前", ""), "二");
  ini.WriteString("項目", "名前", "二");
  ini.Flush();
  EXPECT_EQ(ReadFile(path()), after);
}

}  // namespace vx::test
