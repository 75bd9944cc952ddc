#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/key_store.h"

namespace kd::sim {
namespace {

namespace fs = std::filesystem;
using WriteResult = KeyStore::WriteResult;

// A fresh directory per test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kdsim-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(KeyStoreDefaults, EveryKeyOfTheReaderIsKnown) {
    const char* names[] = {"qrcode",           "dmcode",
                           "onecode",          "pdf417code",
                           "io_outputs",       "io_inits",
                           "io_monitors",      "com1_baudrate",
                           "com1_stopbits",    "com1_bytesizes",
                           "com1_paritys",     "contentorder",
                           "codeprefix",       "codepostfix",
                           "nfcprefix",        "nfcpostfix",
                           "nfccontentorder",  "codeprepostformat",
                           "nfcprepostformat", "nfcreadmethod",
                           "codehint",         "nfchint",
                           "reboothint",       "workmode",
                           "intervaltime",     "nfccontentbegin",
                           "nfccontentend",    "nfcable",
                           "nfcserial",        "com0_devname",
                           "nfccontentformat", "codecontentformat",
                           "contentformat",    "developctrl",
                           "scanmode",         "masterver",
                           "slavever",         "deviceno",
                           "historytime"};
    KeyStore keys;
    for (const char* name : names) {
        EXPECT_TRUE(keys.Known(name)) << name;
    }
    EXPECT_EQ(keys.Entries().size(), std::size(names));
    EXPECT_EQ(*keys.Find("io_inits"), "com0,com1,hid1,com2");
    EXPECT_EQ(*keys.Find("codeprefix"), "");
    EXPECT_EQ(*keys.Find("masterver"), "V3.1.7");
    EXPECT_EQ(keys.Find("nosuchkey"), nullptr);
}

TEST(KeyStoreWrites, ReadOnlyKeysRefuseTheLineButNotTheSimulator) {
    KeyStore keys;
    for (const char* name : {"masterver", "slavever", "historytime"}) {
        EXPECT_EQ(keys.Write(name, "x"), WriteResult::ReadOnly) << name;
    }
    EXPECT_EQ(*keys.Find("masterver"), "V3.1.7");
    EXPECT_EQ(keys.Set("masterver", "V9.9.9-long-build-label"), WriteResult::Done);
    EXPECT_EQ(*keys.Find("masterver"), "V9.9.9-long-build-label");

    EXPECT_EQ(keys.Write("deviceno", "KD-9"), WriteResult::Done);
    EXPECT_EQ(keys.Write("nosuchkey", "1"), WriteResult::UnknownKey);
    EXPECT_EQ(keys.Set("nosuchkey", "1"), WriteResult::UnknownKey);
}

TEST(KeyStoreWrites, ValueMustFitOneRequestPayload) {
    KeyStore keys;
    const std::string name = "codeprefix";
    const size_t limit = kMaxRecordSize - 3 - name.size();
    EXPECT_EQ(keys.Write(name, std::string(limit, 'a')), WriteResult::Done);
    EXPECT_EQ(keys.Write(name, std::string(limit + 1, 'b')), WriteResult::TooLong);
    EXPECT_EQ(*keys.Find(name), std::string(limit, 'a'));
}

TEST(KeyStoreEscaping, AwkwardBytesRoundTrip) {
    EXPECT_EQ(EscapeStateField("a=b%\n", true), "a%3Db%25%0A");
    EXPECT_EQ(EscapeStateField("a=b%\n", false), "a=b%25%0A");
    EXPECT_EQ(EscapeStateField(std::string("\x7F\xFF ~", 4), false), "%7F%FF ~");

    const std::string awkward("x=\r\n%\0\xC3\xA9 end", 11);
    std::string back;
    ASSERT_TRUE(UnescapeStateField(EscapeStateField(awkward, false), back));
    EXPECT_EQ(back, awkward);
    ASSERT_TRUE(UnescapeStateField("%c3%A9", back));
    EXPECT_EQ(back, "\xC3\xA9");
}

TEST(KeyStoreEscaping, BrokenEscapesAreRejected) {
    std::string out;
    EXPECT_FALSE(UnescapeStateField("%", out));
    EXPECT_FALSE(UnescapeStateField("ab%4", out));
    EXPECT_FALSE(UnescapeStateField("%zz", out));
    EXPECT_FALSE(UnescapeStateField("%-1", out));
}

TEST(KeyStoreStateText, SkipsReadOnlyKeysAndHoldsOneLinePerKey) {
    KeyStore keys;
    ASSERT_EQ(keys.Write("codeprefix", "A\nB"), WriteResult::Done);
    const std::string text = keys.StateText();
    EXPECT_NE(text.find("codeprefix=A%0AB\n"), std::string::npos);
    EXPECT_NE(text.find("workmode=0\n"), std::string::npos);
    EXPECT_EQ(text.find("masterver"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 36);
}

TEST(KeyStoreStateText, LoadsKnownKeysAndIgnoresTheRest) {
    KeyStore keys;
    std::string error;
    ASSERT_TRUE(
        keys.ApplyStateText("# saved by hand\n"
                            "\n"
                            "workmode=2\r\n"
                            "codeprefix=a=b%25\n"
                            "retired_key=5\n"
                            "masterver=V0.0.1\n"
                            "codepostfix=",
                            error))
        << error;
    EXPECT_EQ(*keys.Find("workmode"), "2");
    EXPECT_EQ(*keys.Find("codeprefix"), "a=b%");
    EXPECT_EQ(*keys.Find("codepostfix"), "");
    EXPECT_EQ(*keys.Find("masterver"), "V3.1.7");
}

TEST(KeyStoreStateText, MalformedLineChangesNothing) {
    for (const char* bad :
         {"workmode=3\nno equals sign\n", "workmode=3\n=1\n", "workmode=3\ncodeprefix=%G0\n"}) {
        KeyStore keys;
        std::string error;
        EXPECT_FALSE(keys.ApplyStateText(bad, error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
        EXPECT_EQ(*keys.Find("workmode"), "0") << bad;
    }
    KeyStore keys;
    std::string error;
    EXPECT_FALSE(keys.ApplyStateText("codeprefix=" + std::string(2000, 'x') + "\n", error));
    EXPECT_NE(error.find("too long"), std::string::npos);
}

TEST(KeyStoreStateFile, MissingFileKeepsDefaults) {
    TempDir dir;
    KeyStore keys;
    std::string error;
    EXPECT_TRUE(keys.LoadState(dir.Path() / "absent.state", error)) << error;
    EXPECT_EQ(*keys.Find("workmode"), "0");
}

TEST(KeyStoreStateFile, OnlyASmallRegularFileIsLoaded) {
    TempDir dir;
    const fs::path fifo = dir.Path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path large = dir.Path() / "large.state";
    WriteFile(large, "workmode=1\n" + std::string(kMaxStateFileSize, '#'));
    const fs::path linkToDevice = dir.Path() / "device.state";
    fs::create_symlink("/dev/zero", linkToDevice);
    struct Case {
        fs::path file;
        const char* why;
    };
    for (const auto& [file, why] :
         {Case{dir.Path(), "not a regular file"}, Case{fifo, "not a regular file"},
          Case{linkToDevice, "not a regular file"}, Case{large, "larger than 1048576 bytes"}}) {
        KeyStore keys;
        std::string error;
        EXPECT_FALSE(keys.LoadState(file, error)) << file;
        EXPECT_NE(error.find(file.string()), std::string::npos) << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(*keys.Find("workmode"), "0");
    }
    // At the limit, a file still loads.
    WriteFile(large, "workmode=1\n" + std::string(kMaxStateFileSize - 11, '#'));
    KeyStore keys;
    std::string error;
    EXPECT_TRUE(keys.LoadState(large, error)) << error;
    EXPECT_EQ(*keys.Find("workmode"), "1");
}

TEST(KeyStoreStateFile, MalformedFileIsAnErrorNamingTheFile) {
    TempDir dir;
    const fs::path file = dir.Path() / "reader.state";
    WriteFile(file, "workmode=1\ngarbage\n");
    KeyStore keys;
    std::string error;
    EXPECT_FALSE(keys.LoadState(file, error));
    EXPECT_NE(error.find(file.string()), std::string::npos);
    EXPECT_NE(error.find("line 2"), std::string::npos);
    EXPECT_EQ(*keys.Find("workmode"), "0");
}

TEST(KeyStoreStateFile, SaveReplacesTheFileWholeAndLeavesNoTemporaries) {
    TempDir dir;
    const fs::path file = dir.Path() / "reader.state";
    WriteFile(file, std::string(10000, '#') + "\n");

    KeyStore keys;
    ASSERT_EQ(keys.Write("codeprefix", std::string("\x01pre=fix%\xFF", 10)), WriteResult::Done);
    std::string error;
    ASSERT_TRUE(keys.SaveState(file, error)) << error;
    EXPECT_EQ(ReadFile(file), keys.StateText());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    KeyStore restarted;
    ASSERT_TRUE(restarted.LoadState(file, error)) << error;
    EXPECT_EQ(*restarted.Find("codeprefix"), std::string("\x01pre=fix%\xFF", 10));
}

TEST(KeyStoreStateFile, SaveGoesThroughSymlinksAndKeepsTheMode) {
    TempDir dir;
    fs::create_directory(dir.Path() / "real");
    const fs::path target = dir.Path() / "real" / "reader.state";
    WriteFile(target, "workmode=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    // A chain of two links, the first one relative.
    fs::create_symlink("real/reader.state", dir.Path() / "middle");
    const fs::path link = dir.Path() / "reader.state";
    fs::create_symlink(dir.Path() / "middle", link);

    KeyStore keys;
    ASSERT_EQ(keys.Write("workmode", "2"), WriteResult::Done);
    std::string error;
    ASSERT_TRUE(keys.SaveState(link, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "middle"));
    EXPECT_EQ(ReadFile(target), keys.StateText());
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "real"), fs::directory_iterator()),
              1);

    // A dangling link names the file to create.
    fs::create_symlink("real/new.state", dir.Path() / "dangling");
    ASSERT_TRUE(keys.SaveState(dir.Path() / "dangling", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "dangling"));
    EXPECT_EQ(ReadFile(dir.Path() / "real" / "new.state"), keys.StateText());
}

TEST(KeyStoreStateFile, FailedSaveLeavesTargetAndDirectoryAsTheyWere) {
    TempDir dir;
    // A directory in the way is not replaced.
    const fs::path blocked = dir.Path() / "reader.state";
    fs::create_directory(blocked);
    KeyStore keys;
    std::string error;
    EXPECT_FALSE(keys.SaveState(blocked, error));
    EXPECT_NE(error.find("reader.state"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    EXPECT_FALSE(keys.SaveState(dir.Path() / "no" / "such" / "dir" / "x.state", error));
}

}  // namespace
}  // namespace kd::sim
