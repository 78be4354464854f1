// The install key and the replay upload of the online update, against a scripted server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "harness/HeadlessGame.h"
#include "scores/InstallKey.h"

namespace {

class InstallKeyTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
    int Mode() const {
        struct stat info {};
        return stat((folder.path / kInstallKeyFileName).c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }
    TempWorkingFolder folder;
};

TEST_F(InstallKeyTest, MadeOncePrivateAndKept) {
    EXPECT_EQ(InstallKeyText(), "");
    const std::string key = EnsureInstallKey();
    ASSERT_EQ(key.size(), size_t(kInstallKeyHexDigits));
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    EXPECT_EQ(Mode(), 0600);
    EXPECT_EQ(InstallKeyText(), key);
    EXPECT_EQ(EnsureInstallKey(), key);
    // Another install gets another key.
    folder.Write(kInstallKeyFileName, "");
    EXPECT_NE(EnsureInstallKey(), key);
    // A file holding no key is replaced by a new one.
    folder.Write(kInstallKeyFileName, "not a key\n");
    EXPECT_EQ(EnsureInstallKey().size(), size_t(kInstallKeyHexDigits));
}

TEST_F(InstallKeyTest, ImportTakesAKeyAsTypedAndNothingElse) {
    const std::string old = EnsureInstallKey();
    chmod((folder.path / kInstallKeyFileName).c_str(), 0644);
    for (const char* bad : {"", "0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
                            "0123456789abcdef0123456789abcdeg", "0x23456789abcdef0123456789abcdef"}) {
        EXPECT_FALSE(ImportInstallKey(bad)) << bad;
        EXPECT_EQ(InstallKeyText(), old);
    }
    // Any case, with the spaces and dashes a player may copy along.
    EXPECT_TRUE(ImportInstallKey(" 0123ABCD-4567EF01 2345 6789\tabcdef01\n"));
    EXPECT_EQ(InstallKeyText(), "0123abcd4567ef0123456789abcdef01");
    EXPECT_EQ(folder.Read(kInstallKeyFileName), "0123abcd4567ef0123456789abcdef01\n");
    EXPECT_EQ(Mode(), 0600);
}

}  // namespace
