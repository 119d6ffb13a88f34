// Opening, appending to and clearing the record file, in a temporary folder.
#include "tests/support/TestSupport.h"
#include "model/VirtualScopeVexaRM.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vexa;
using vexa::test::RecordingReadout;
using vexa::test::ScriptedDialogs;

namespace {

bool Exists(const std::string &name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0;
}

std::string Contents(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string &name, const std::string &bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class RecordFile : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[PATH_MAX];
        ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
        OldDir = buf;
        Dir = vexa::test::MakeTempDir("vexa_record_");
        ASSERT_FALSE(Dir.empty());
        ASSERT_EQ(::chdir(Dir.c_str()), 0);
        scope.ApplyStoredValues();
        scope.SetDialogs(&dialogs);
        scope.SetFileSizeLabel(&label);
    }
    void TearDown() override {
        scope.SetActualOutputStream(nullptr);
        EXPECT_EQ(::chdir(OldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + Dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    // The state after start-up: files really open from now on.
    void Started() { scope.SetApplicationInitialized(true); }

    std::string OldDir, Dir;
    ScriptedDialogs dialogs;
    RecordingReadout label;
    TVirtualScopeVexaRM scope;
};

} // namespace

TEST(RecordFileName, IndexNameReplacesTheLastThreeCharacters) {
    EXPECT_EQ(TVirtualScopeVexaRM::IndexFileName("sdata.rmd"), "sdata.ind");
    EXPECT_EQ(TVirtualScopeVexaRM::IndexFileName("dir/x.rmdx"), "dir/x.rind");
    EXPECT_EQ(TVirtualScopeVexaRM::IndexFileName("abc"), "ind");
    EXPECT_EQ(TVirtualScopeVexaRM::IndexFileName(""), "ind");
}

TEST_F(RecordFile, BeforeStartUpOnlyTheNameIsRecorded) {
    scope.SetSavingActivated(true);
    scope.SetFileSize(123);
    scope.OpenRecordFile("early.rmd");
    EXPECT_EQ(scope.GetRecordFileName(), "early.rmd");
    EXPECT_EQ(scope.FileSize(), 0);
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_FALSE(Exists("early.rmd"));
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(RecordFile, SavingOnCreatesANewFileAndLeavesIndexFilesAlone) {
    Started();
    Put("fresh.ind", "index");
    scope.OpenRecordFile("fresh.rmd");
    EXPECT_EQ(scope.ActualOutputStream(), nullptr); // saving is off
    scope.SetSavingActivated(true);
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_TRUE(Exists("fresh.rmd"));
    EXPECT_EQ(Contents("fresh.rmd"), "");
    EXPECT_TRUE(Exists("fresh.ind"));
    EXPECT_EQ(scope.FileSize(), 0);
}

TEST_F(RecordFile, ExistingFileIsAppendedAndItsIndexDeleted) {
    Started();
    Put("sdata.rmd", std::string("\x80\x40\x01\x00", 4));
    Put("sdata.ind", "stale index");
    scope.OpenRecordFile("sdata.rmd");
    scope.SetSavingActivated(true);
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(scope.FileSize(), 4);
    EXPECT_FALSE(Exists("sdata.ind"));
    EXPECT_EQ(label.Values().back(), 4);

    const uint16_t words[] = {0x4080, 2, 0xFFFF};
    ASSERT_TRUE(scope.AppendRecordWords(words, 3));
    EXPECT_EQ(scope.FileSize(), 10);
    EXPECT_EQ(label.Values().back(), 10);
    EXPECT_EQ(Contents("sdata.rmd"), std::string("\x80\x40\x01\x00\x80\x40\x02\x00\xFF\xFF", 10));

    // Saving off closes the file; appends are then skipped.
    scope.SetSavingActivated(false);
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_TRUE(scope.AppendRecordWords(words, 3));
    EXPECT_EQ(Contents("sdata.rmd").size(), 10u);
}

TEST_F(RecordFile, ARecordFileEndingInIndIsNeverDeletedAsItsOwnIndex) {
    Started();
    Put("odd.ind", "ABCD");
    scope.OpenRecordFile("odd.ind");
    scope.SetSavingActivated(true);
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(Contents("odd.ind"), "ABCD");
    EXPECT_EQ(scope.FileSize(), 4);
}

TEST_F(RecordFile, UncreatableFileIsReportedAndSavingSwitchedOff) {
    Started();
    scope.OpenRecordFile("no/such/folder/x.rmd");
    scope.SetSavingActivated(true);
    EXPECT_FALSE(scope.SavingActivated());
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    ASSERT_EQ(dialogs.Questions().size(), 1u);
    EXPECT_EQ(dialogs.Questions()[0].text, "Cannot create file no/such/folder/x.rmd");
    EXPECT_EQ(dialogs.Questions()[0].style, DialogStyle::Error);
    EXPECT_EQ(dialogs.Questions()[0].buttons, kButtonOk);
}

TEST_F(RecordFile, ExistingButUnopenableFileIsNeverReplaced) {
    Started();
    // A name that exists but is no regular file does not open for
    // appending; creating must then fail rather than take the name over.
    ASSERT_EQ(::mkfifo("pipe.rmd", 0666), 0);
    scope.OpenRecordFile("pipe.rmd");
    scope.SetSavingActivated(true);
    EXPECT_FALSE(scope.SavingActivated());
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Cannot create file pipe.rmd"}));
    if (::geteuid() == 0) return; // root opens read-only files
    dialogs.Clear();
    Put("locked.rmd", "DATA");
    ASSERT_EQ(::chmod("locked.rmd", 0444), 0);
    scope.OpenRecordFile("locked.rmd");
    scope.SetSavingActivated(true);
    EXPECT_FALSE(scope.SavingActivated());
    EXPECT_EQ(Contents("locked.rmd"), "DATA");
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Cannot create file locked.rmd"}));
}

TEST_F(RecordFile, ClearEmptiesTheFileAndKeepsItOpen) {
    Started();
    Put("c.rmd", "12345678");
    Put("c.ind", "index");
    scope.OpenRecordFile("c.rmd");
    scope.SetSavingActivated(true);
    EXPECT_EQ(scope.FileSize(), 8);
    scope.ClearRecordFile();
    EXPECT_EQ(Contents("c.rmd"), "");
    EXPECT_EQ(scope.FileSize(), 0);
    EXPECT_EQ(label.Values().back(), 0);
    EXPECT_FALSE(Exists("c.ind"));
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    const uint16_t w = 0x4080;
    ASSERT_TRUE(scope.AppendRecordWords(&w, 1));
    EXPECT_EQ(Contents("c.rmd"), "\x80\x40");

    // Clearing works with saving off too; the file stays open, unwritten.
    scope.SetSavingActivated(false);
    scope.ClearRecordFile();
    EXPECT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_TRUE(scope.AppendRecordWords(&w, 1));
    EXPECT_EQ(Contents("c.rmd"), "");
}

TEST_F(RecordFile, ClearFailureIsReportedAndSavingSwitchedOff) {
    Started();
    ASSERT_EQ(::mkdir("adir", 0777), 0);
    scope.OpenRecordFile("adir");
    scope.SetSavingActivated(true); // cannot open a folder as a file
    dialogs.Clear();
    scope.SetActualOutputStream(nullptr);
    scope.ClearRecordFile();
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_FALSE(scope.SavingActivated());
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Cannot create file adir"}));
}

// Two copies of the program never write one file: the second is refused
// as if the file could not be created, and clearing leaves it whole.
TEST_F(RecordFile, AFileThatAnotherCopyWritesIsRefusedAndKeptWhole) {
    Started();
    Put("shared.rmd", "DATA");
    ScriptedDialogs otherDialogs;
    TVirtualScopeVexaRM other;
    other.SetDialogs(&otherDialogs);
    other.SetApplicationInitialized(true);
    other.OpenRecordFile("shared.rmd");
    other.SetSavingActivated(true);
    ASSERT_NE(other.ActualOutputStream(), nullptr);

    scope.OpenRecordFile(Dir + "/shared.rmd");
    scope.SetSavingActivated(true);
    EXPECT_FALSE(scope.SavingActivated());
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"Cannot create file " + Dir + "/shared.rmd"}));
    dialogs.Clear();
    scope.ClearRecordFile();
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"Cannot create file " + Dir + "/shared.rmd"}));
    const uint16_t w = 0x4080;
    EXPECT_TRUE(other.AppendRecordWords(&w, 1));
    EXPECT_EQ(Contents("shared.rmd"), "DATA\x80\x40");

    // Once the other copy has closed it, the file is free.
    other.SetSavingActivated(false);
    dialogs.Clear();
    scope.SetSavingActivated(true);
    EXPECT_TRUE(scope.SavingActivated());
    EXPECT_EQ(scope.FileSize(), 6);
    EXPECT_TRUE(dialogs.Texts().empty());
    EXPECT_TRUE(otherDialogs.Texts().empty());
}

// A record-file name that leads to a settings file or the help page, by any
// path or link, is refused: nothing is opened, created, appended or cleared.
TEST_F(RecordFile, TheProgramsOwnFilesAreNeverRecordFiles) {
    Started();
    ASSERT_EQ(::mkdir("Help", 0777), 0);
    ASSERT_EQ(::mkdir("sub", 0777), 0);
    Put("ZovuDori.ini", "settings");
    Put("Help/help.htm", "<html>");
    ASSERT_EQ(::symlink("ZovuDori.ini", "soft.rmd"), 0);
    ASSERT_EQ(::link("ZovuDori.ini", "hard.rmd"), 0);
    scope.SetOwnFiles({"ZovuDori.ini", "RollModeSettings.dat", Dir + "/Help/help.htm"});
    const std::string names[] = {"ZovuDori.ini",
                                 "./ZovuDori.ini",
                                 Dir + "/ZovuDori.ini",
                                 "sub/../ZovuDori.ini",
                                 "soft.rmd",
                                 "hard.rmd",
                                 "Help/help.htm",
                                 "RollModeSettings.dat",
                                 "sub/../RollModeSettings.dat"};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        dialogs.Clear();
        scope.OpenRecordFile(name);
        scope.SetSavingActivated(true);
        EXPECT_FALSE(scope.SavingActivated());
        EXPECT_EQ(scope.ActualOutputStream(), nullptr);
        scope.ClearRecordFile();
        EXPECT_EQ(scope.ActualOutputStream(), nullptr);
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>(2, "Cannot create file " + name));
    }
    EXPECT_EQ(Contents("ZovuDori.ini"), "settings");
    EXPECT_EQ(Contents("Help/help.htm"), "<html>");
    EXPECT_FALSE(Exists("RollModeSettings.dat"));

    // Names beside them are fine.
    dialogs.Clear();
    scope.OpenRecordFile("sub/ZovuDori.ini");
    scope.SetSavingActivated(true);
    EXPECT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(RecordFile, FailedWriteClosesTheStreamAndKeepsWhatWasWritten) {
    Started();
    scope.OpenRecordFile("w.rmd");
    scope.SetSavingActivated(true);
    const uint16_t words[] = {0x1111, 0x2222};
    ASSERT_TRUE(scope.AppendRecordWords(words, 2));
    // Make the descriptor unwritable behind the stream's back.
    TRecordStreamVexaRM *stream = scope.ActualOutputStream();
    ASSERT_NE(stream, nullptr);
    const int ro = ::open("w.rmd", O_RDONLY);
    ASSERT_GE(ro, 0);
    ASSERT_GE(::dup2(ro, stream->Descriptor()), 0);
    ::close(ro);
    EXPECT_FALSE(scope.AppendRecordWords(words, 2));
    EXPECT_EQ(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(scope.FileSize(), 4);                 // only what reached the disk
    EXPECT_TRUE(scope.AppendRecordWords(words, 2)); // nothing open: skipped
    EXPECT_EQ(Contents("w.rmd"), "\x11\x11\x22\x22");
}

// The processing thread appends while the main thread reopens and clears:
// the file always holds whole blocks and FileSize matches it.
TEST_F(RecordFile, AppendsAndReplacementsDoNotOverlap) {
    Started();
    scope.OpenRecordFile("race.rmd");
    scope.SetSavingActivated(true);
    std::atomic<bool> stop{false};
    std::vector<uint16_t> block(512, 0x5A5A);
    std::thread writer([&] {
        while (!stop)
            EXPECT_TRUE(scope.AppendRecordWords(block.data(), int(block.size())));
    });
    for (int i = 0; i < 200; ++i) {
        if (i % 3 == 0)
            scope.ClearRecordFile();
        else
            scope.OpenRecordFile("race.rmd");
    }
    stop = true;
    writer.join();
    const std::string bytes = Contents("race.rmd");
    EXPECT_EQ(bytes.size() % 1024, 0u);
    EXPECT_EQ(scope.FileSize(), double(bytes.size()));
}
