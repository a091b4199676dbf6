#include "actions/ProtectionList.h"

#include <gtest/gtest.h>

#include <random>

#include "TestUtil.h"
#include "base/Handles.h"
#include "base/Resources.h"
#include "platform/Files.h"
#include "resource.h"

namespace {

using testutil::ReadFileBytes;
using testutil::ScratchDir;
using testutil::WriteFileBytes;

// A list loaded from a protect.dat with the given content in a scratch folder.
struct LoadedList {
    ScratchDir dir;
    ProtectionList list;
    explicit LoadedList(const std::string& fileContent) : list(dir.File("protect.dat")) {
        WriteFileBytes(list.FilePath(), fileContent);
        list.Load();
    }
    std::string FileOnDisk() const { return ReadFileBytes(list.FilePath()); }
};

TEST(ProtectionList, NameWithoutEntryIsUnprotectedAndAllowsEverything) {
    LoadedList l("");
    EXPECT_EQ(-1, l.list.Find("notepad.exe"));
    EXPECT_EQ(0, l.list.LevelNumber("notepad.exe"));
    EXPECT_EQ("Unprotected", l.list.LevelText("notepad.exe"));
    EXPECT_TRUE(l.list.CanClose("notepad.exe"));
    EXPECT_TRUE(l.list.CanKill("notepad.exe"));
    EXPECT_FALSE(l.list.IsProtected("notepad.exe"));
    EXPECT_FALSE(l.list.IsSystemProtected("notepad.exe"));
    EXPECT_EQ(3, l.list.GetFlags("notepad.exe"));
    int c = 7, k = 8, s = 9;
    EXPECT_FALSE(l.list.Get("notepad.exe", c, k, s));
    EXPECT_EQ(7, c);
    EXPECT_EQ(8, k);
    EXPECT_EQ(9, s);
}

TEST(ProtectionList, FileValuesGiveTheirLevels) {
    LoadedList l("close.exe;1\r\nkill.exe;2\r\nnone.exe;0\r\nboth.exe;3\r\nextracr.exe;2\r\r\n"
                 "sysbit.exe;32771\r\nword.exe;abc\r\nlast.exe;1");
    EXPECT_EQ("Can Close", l.list.LevelText("close.exe"));
    EXPECT_TRUE(l.list.CanClose("close.exe"));
    EXPECT_FALSE(l.list.CanKill("close.exe"));
    EXPECT_EQ("Can Kill", l.list.LevelText("kill.exe"));
    EXPECT_FALSE(l.list.CanClose("kill.exe"));
    EXPECT_TRUE(l.list.CanKill("kill.exe"));
    EXPECT_EQ("Protected", l.list.LevelText("none.exe"));
    EXPECT_TRUE(l.list.IsProtected("none.exe"));
    EXPECT_EQ("Unprotected", l.list.LevelText("both.exe"));
    EXPECT_NE(-1, l.list.Find("both.exe"));
    EXPECT_EQ(2, l.list.GetFlags("extracr.exe"));
    // Bit 15 in the file makes a program system protected: it can then be
    // neither closed nor killed, whatever its other bits say.
    EXPECT_EQ(4, l.list.LevelNumber("sysbit.exe"));
    EXPECT_FALSE(l.list.CanClose("sysbit.exe"));
    EXPECT_FALSE(l.list.CanKill("sysbit.exe"));
    EXPECT_EQ(ProtectionList::kSystem | 3, l.list.GetFlags("sysbit.exe"));
    EXPECT_EQ("Protected", l.list.LevelText("word.exe"));
    EXPECT_EQ("Can Close", l.list.LevelText("last.exe"));  // no final line end
}

TEST(ProtectionList, NamesDifferingInCaseAreOneEntry) {
    LoadedList l("NotePad.EXE;0\r\nnotepad.exe;3\r\n");
    int index = l.list.Find("notepad.exe");
    ASSERT_NE(-1, index);
    EXPECT_EQ(index, l.list.Find("NOTEPAD.EXE"));
    EXPECT_TRUE(l.list.IsProtected("notepad.exe"));  // the later line is ignored
    size_t count = l.list.Entries().size();
    EXPECT_EQ(-1, l.list.Add("NOTEPAD.exe", 1, 1, 0));
    l.list.Set("nOtEpAd.ExE", 1, 0, 0);
    EXPECT_EQ(count, l.list.Entries().size());
    EXPECT_EQ("Can Close", l.list.LevelText("notepad.exe"));
    EXPECT_FALSE(SameProgramName("notepad.exe", "notepad.ex"));
}

TEST(ProtectionList, MalformedLinesAreSkipped) {
    static const char text[] =
        ";1\r\nnovalue.exe;\r\nthree;part;line\r\nplain.exe\r\n;;\r\n\r\nleading.exe;;2\r\nnul.exe;0\0tail;1\r\n";
    LoadedList l(std::string(text, sizeof(text) - 1));
    EXPECT_EQ(-1, l.list.Find("novalue.exe"));
    EXPECT_EQ(-1, l.list.Find("three"));
    EXPECT_EQ(-1, l.list.Find("plain.exe"));
    EXPECT_EQ(-1, l.list.Find(""));
    // The flags follow the last separator: the name keeps the one before it.
    EXPECT_EQ("Can Kill", l.list.LevelText("leading.exe;"));
    EXPECT_EQ(-1, l.list.Find("leading.exe"));
    // A NUL ends the line for the reader, as it would for the C library.
    EXPECT_EQ("Protected", l.list.LevelText("nul.exe"));
    EXPECT_EQ(-1, l.list.Find("tail"));
}

TEST(ProtectionList, BuiltInNamesAreSystemProtectedAndNeverWritten) {
    // The file says LSASS.EXE may be closed and killed; the built-in list wins.
    LoadedList l("LSASS.EXE;3\r\nSystem;3\r\nuser.exe;1\r\n");
    for (const char* name : {"System Idle Process", "quillmark.exe", "lsass.exe", "services.exe",
                             "winlogon.exe", "systray.exe", "kernel32.dll", "rnaapp.exe"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(l.list.IsSystemProtected(name));
        EXPECT_FALSE(l.list.CanClose(name));
        EXPECT_FALSE(l.list.CanKill(name));
        EXPECT_EQ("System Protected", l.list.LevelText(name));
    }
    // "System" from the file stays: that step adds it only when it is missing.
    EXPECT_EQ("Unprotected", l.list.LevelText("System"));
    EXPECT_FALSE(l.list.IsSystemProtected("user.exe"));
    // The comment header of the resource is not taken for names.
    const std::string resource = LoadTextResource(IDR_TEXT_SYSTEM_PROTECTED, "TEXT");
    ASSERT_EQ(';', resource[0]);
    EXPECT_NE(std::string::npos, resource.find("may not be closed or killed"));
    for (const auto& e : l.list.Entries()) EXPECT_NE(';', e.name[0]) << e.name;
    // The file's three, "System Idle Process", and six more from the resource.
    EXPECT_EQ(10u, l.list.Entries().size());

    ASSERT_TRUE(l.list.Save());
    EXPECT_EQ("System;3\r\nuser.exe;1\r\n", l.FileOnDisk());
}

TEST(ProtectionList, ChangesOfSystemEntriesFollowTheirRules) {
    LoadedList l("");
    // SetAllowClose / SetAllowKill leave a system entry alone.
    l.list.SetAllowClose("winlogon.exe", true);
    l.list.SetAllowKill("winlogon.exe", true);
    EXPECT_TRUE(l.list.IsSystemProtected("winlogon.exe"));
    EXPECT_FALSE(l.list.CanKill("winlogon.exe"));
    // Set replaces all three flags, so a caller that wants to keep the system
    // flag must pass it; then the entry is an ordinary user entry.
    l.list.Set("lsass.exe", 1, 0, 0);
    EXPECT_FALSE(l.list.IsSystemProtected("lsass.exe"));
    EXPECT_EQ("Can Close", l.list.LevelText("lsass.exe"));
    EXPECT_EQ("lsass.exe;1\r\n", l.FileOnDisk());
}

TEST(ProtectionList, FlagOperationsUpdateAndSave) {
    LoadedList l("first.exe;1\r\n");
    // SetFlags on an unknown name changes nothing but rewrites the file.
    testutil::DeleteTreeOnDisk(l.list.FilePath());
    size_t count = l.list.Entries().size();
    l.list.SetFlags("unknown.exe", 0);
    EXPECT_EQ(count, l.list.Entries().size());
    EXPECT_EQ(-1, l.list.Find("unknown.exe"));
    EXPECT_EQ("first.exe;1\r\n", l.FileOnDisk());

    l.list.ToggleFlags("first.exe", ProtectionList::kAllowKill);
    EXPECT_EQ(3, l.list.GetFlags("first.exe"));
    l.list.ToggleFlags("first.exe", ProtectionList::kAllowClose);
    EXPECT_EQ(2, l.list.GetFlags("first.exe"));

    // New entries are appended with the other permission allowed.
    l.list.SetAllowClose("second.exe", false);
    l.list.SetAllowKill("third.exe", false);
    EXPECT_EQ("Can Kill", l.list.LevelText("second.exe"));
    EXPECT_EQ("Can Close", l.list.LevelText("third.exe"));
    EXPECT_EQ("first.exe;2\r\nsecond.exe;2\r\nthird.exe;1\r\n", l.FileOnDisk());

    // Protect keeps the line; unprotect writes the value 3 for it.
    l.list.Set("second.exe", 1, 1, 0);
    ProtectionList reloaded(l.list.FilePath());
    reloaded.Load();
    EXPECT_EQ(l.list.FileText(), reloaded.FileText());
    EXPECT_EQ("Unprotected", reloaded.LevelText("second.exe"));
    EXPECT_NE(-1, reloaded.Find("second.exe"));
}

TEST(ProtectionList, RandomBytesLoadWithoutHarm) {
    std::mt19937 rng(1234);
    std::string junk(1024 * 1024, '\0');
    for (char& c : junk) c = static_cast<char>(rng() & 0xFF);
    LoadedList l(junk);
    EXPECT_TRUE(l.list.IsSystemProtected("lsass.exe"));
    EXPECT_TRUE(l.list.IsSystemProtected("System Idle Process"));
    // Whatever was taken from the junk survives a save and a reload.
    ASSERT_TRUE(l.list.Save());
    ProtectionList reloaded(l.list.FilePath());
    reloaded.Load();
    EXPECT_EQ(l.list.FileText(), reloaded.FileText());
}

TEST(ProtectionList, NamesWithSemicolonsSurviveASaveAndAReload) {
    LoadedList l("");
    l.list.Set("odd;name.exe", 1, 0, 0);
    l.list.Set("two;;parts.exe", 0, 1, 0);
    l.list.Set(";leading.exe", 0, 0, 0);
    l.list.Set("trailing.exe;", 1, 0, 0);
    l.list.Set(";;both;;", 1, 1, 0);
    EXPECT_EQ("odd;name.exe;1\r\ntwo;;parts.exe;2\r\n;leading.exe;0\r\ntrailing.exe;;1\r\n;;both;;;3\r\n",
              l.FileOnDisk());
    ProtectionList reloaded(l.list.FilePath());
    reloaded.Load();
    EXPECT_EQ("Can Close", reloaded.LevelText("ODD;NAME.EXE"));
    EXPECT_EQ("Can Kill", reloaded.LevelText("two;;parts.exe"));
    EXPECT_EQ("Protected", reloaded.LevelText(";leading.exe"));
    EXPECT_EQ("Can Close", reloaded.LevelText("trailing.exe;"));
    EXPECT_NE(-1, reloaded.Find(";;both;;"));
    EXPECT_EQ(-1, reloaded.Find("odd"));
    EXPECT_EQ(-1, reloaded.Find("leading.exe"));
    EXPECT_EQ(-1, reloaded.Find("trailing.exe"));
    EXPECT_EQ(l.list.FileText(), reloaded.FileText());
    // Only a line that ends in a number is read that way.
    LoadedList other("a;b;c\r\nx;y;3;\r\nz;w;1x\r\n");
    EXPECT_EQ(-1, other.list.Find("a;b"));
    EXPECT_EQ(-1, other.list.Find("x;y;3"));
    EXPECT_EQ(-1, other.list.Find("z;w"));
}

TEST(ProtectionList, AFileOfManyNamesIsReadAndSavedWhole) {
    // 300,000 names, 5.7 MB: every line a different name, so a lookup that
    // walked the list for each line would not finish either.
    std::string text;
    const int lines = 300000;
    for (int i = 0; i < lines; ++i) text += "program" + std::to_string(i) + ".exe;1\r\n";
    ASSERT_GT(text.size(), 5u * 1024 * 1024);
    LoadedList l(text);
    EXPECT_EQ("Can Close", l.list.LevelText("PROGRAM0.EXE"));
    EXPECT_EQ("Can Close", l.list.LevelText("program" + std::to_string(lines - 1) + ".exe"));
    EXPECT_EQ(static_cast<size_t>(lines), l.list.Entries().size() - 9);  // and the built-in names

    // One change writes all of them back, and the new one after them.
    EXPECT_EQ(1, l.list.Set("another.exe", 0, 0, 0));
    EXPECT_EQ(text + "another.exe;0\r\n", l.FileOnDisk());
}

TEST(ProtectionList, AFileThatWasNotReadIsNeverSavedOver) {
    ScratchDir dir;
    const std::string path = dir.File("protect.dat");
    const std::string previous = "keep.exe;0\r\nother.exe;1\r\n";
    ASSERT_TRUE(WriteFileBytes(path, previous));
    ProtectionList list(path);
    {
        // Held open by another program while the list loads.
        UniqueHandle held(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        list.Load();
        EXPECT_EQ(-1, list.Find("keep.exe"));
        EXPECT_TRUE(list.IsSystemProtected("lsass.exe"));
        // Still held: the change is kept, and the file is not touched.
        EXPECT_EQ(-1, list.Set("new.exe", 1, 0, 0));
        EXPECT_TRUE(list.HasUnsavedChanges());
        EXPECT_TRUE(list.TakeSaveFailureNotice());
        EXPECT_NE(std::string::npos, list.SaveFailureText().find(path));
    }
    EXPECT_EQ(previous, ReadFileBytes(path));
    // Free again: the next change reads the file first and keeps its entries,
    // with this run's settings over them.
    EXPECT_TRUE(list.SetAllowKill("keep.exe", true));
    EXPECT_FALSE(list.HasUnsavedChanges());
    EXPECT_EQ("keep.exe;3\r\nother.exe;1\r\nnew.exe;1\r\n", ReadFileBytes(path));
    EXPECT_EQ("Can Close", list.LevelText("other.exe"));

    // A file beyond the bound is not read and never written over either.
    std::string huge(ProtectionList::kMaxFileBytes + 1, 'x');
    huge.replace(0, 10, "big.exe;0\n");
    ASSERT_TRUE(WriteFileBytes(path, huge));
    ProtectionList tooLarge(path);
    tooLarge.Load();
    EXPECT_EQ(-1, tooLarge.Find("big.exe"));
    EXPECT_EQ(-1, tooLarge.Set("new.exe", 1, 1, 0));
    EXPECT_FALSE(tooLarge.SaveIfUnsaved());
    EXPECT_EQ(huge.size(), ReadFileBytes(path).size());
}

TEST(ProtectionList, AFailedSaveIsToldOnceAndTriedAgain) {
    const std::string previous = "keep.exe;0\r\nother.exe;1\r\n";
    LoadedList l(previous);
    EXPECT_FALSE(l.list.HasUnsavedChanges());
    EXPECT_TRUE(l.list.SaveIfUnsaved());  // nothing to save
    EXPECT_FALSE(l.list.TakeSaveFailureNotice());
    // A folder where the new content would be written makes the save fail
    // before the old file is touched.
    const std::string blocker = ReplacementFileName(l.list.FilePath());
    ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
    EXPECT_EQ(-1, l.list.Set("keep.exe", 1, 1, 0));
    EXPECT_EQ(previous, l.FileOnDisk());
    EXPECT_EQ("Unprotected", l.list.LevelText("keep.exe"));  // the change is kept in memory
    EXPECT_TRUE(l.list.HasUnsavedChanges());
    EXPECT_TRUE(l.list.TakeSaveFailureNotice());
    // Every later change tries again; the user was told already.
    EXPECT_FALSE(l.list.SetAllowClose("third.exe", false));
    EXPECT_FALSE(l.list.TakeSaveFailureNotice());
    EXPECT_FALSE(l.list.SaveIfUnsaved());
    EXPECT_EQ(previous, l.FileOnDisk());

    // The call at exit writes whatever is still unsaved.
    ::RemoveDirectoryA(blocker.c_str());
    EXPECT_TRUE(l.list.SaveIfUnsaved());
    EXPECT_FALSE(l.list.HasUnsavedChanges());
    EXPECT_FALSE(l.list.TakeSaveFailureNotice());
    EXPECT_EQ("keep.exe;3\r\nother.exe;1\r\nthird.exe;2\r\n", l.FileOnDisk());
    EXPECT_FALSE(testutil::FileExists(blocker));
    // A later failure is told again.
    ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
    EXPECT_FALSE(l.list.ToggleFlags("other.exe", ProtectionList::kAllowKill));
    EXPECT_TRUE(l.list.TakeSaveFailureNotice());
    ::RemoveDirectoryA(blocker.c_str());
}

TEST(ProtectionList, LevelTextsByNumber) {
    EXPECT_EQ("System Protected", ProtectionLevelText(4));
    EXPECT_EQ("", ProtectionLevelText(5));
    EXPECT_EQ("", ProtectionLevelText(-1));
}

}  // namespace
