#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pwd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Files.h"

namespace {

// A fresh scratch directory per test, removed afterwards.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tavrik-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        chmod(dir.c_str(), 0755);
        std::filesystem::remove_all(dir);
    }
    std::string At(const std::string& name) const { return dir + "/" + name; }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(At(name), std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(At(name), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::vector<std::string> ReadLines(const std::string& name) const {
        std::vector<std::string> lines;
        auto stream = OpenReadStream(At(name));
        EXPECT_TRUE(stream);
        for (int guard = 0; stream && !StreamAtEnd(stream) && guard < 1000; ++guard)
            lines.push_back(StreamReadLine(stream));
        return lines;
    }
    std::string dir;
};

using Lines = std::vector<std::string>;

TEST_F(FilesTest, LineEndsAndTerminators) {
    Put("crlf.txt", "one\r\ntwo\r\n");
    EXPECT_EQ(ReadLines("crlf.txt"), (Lines{"one", "two"}));
    // Every CR is dropped, not only the one before LF.
    Put("cr.txt", std::string("a\r\r\nb"));
    EXPECT_EQ(ReadLines("cr.txt"), (Lines{"a", "b"}));
    Put("mid.txt", std::string("x\ry\n"));
    EXPECT_EQ(ReadLines("mid.txt"), (Lines{"xy"}));
    // A NUL ends a line like LF.
    Put("nul.txt", std::string("ab\0cd\n", 6));
    EXPECT_EQ(ReadLines("nul.txt"), (Lines{"ab", "cd"}));
    // Empty lines in the middle survive.
    Put("empty.txt", "\n\nz\n");
    EXPECT_EQ(ReadLines("empty.txt"), (Lines{"", "", "z"}));
}

TEST_F(FilesTest, LastLineWithoutLineEndThenAtEnd) {
    Put("tail.txt", "first\nlast");
    auto stream = OpenReadStream(At("tail.txt"));
    ASSERT_TRUE(stream);
    EXPECT_EQ(StreamAtEnd(stream), 0);
    EXPECT_EQ(StreamReadLine(stream), "first");
    EXPECT_EQ(StreamAtEnd(stream), 0);
    EXPECT_EQ(StreamReadLine(stream), "last");
    EXPECT_EQ(StreamAtEnd(stream), 1);
    // Past the end only empty lines come.
    EXPECT_EQ(StreamReadLine(stream), "");
    EXPECT_EQ(StreamReadLine(stream), "");
    EXPECT_EQ(StreamAtEnd(stream), 1);
}

TEST_F(FilesTest, EmptyFileIsAtEndAtOnce) {
    Put("none.txt", "");
    auto stream = OpenReadStream(At("none.txt"));
    ASSERT_TRUE(stream);
    EXPECT_EQ(StreamAtEnd(stream), 1);
    EXPECT_EQ(StreamReadLine(stream), "");
}

TEST_F(FilesTest, Latin1BytesRoundTrip) {
    std::string text;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n') text.push_back(static_cast<char>(c));
    auto out = OpenWriteStream(At("latin.txt"));
    ASSERT_TRUE(out);
    EXPECT_EQ(StreamWriteLine(out, text), 1);
    EXPECT_EQ(StreamWriteLine(out, ""), 1);
    StreamClose(out);
    EXPECT_EQ(Get("latin.txt"), text + "\r\n\r\n");
    EXPECT_EQ(ReadLines("latin.txt"), (Lines{text, ""}));
}

TEST_F(FilesTest, OverlongLineIsCutAndTheNextLineStillReads) {
    std::string huge(3 << 20, 'q');
    Put("huge.txt", huge + "\nnext\n");
    auto stream = OpenReadStream(At("huge.txt"));
    ASSERT_TRUE(stream);
    std::string first = StreamReadLine(stream);
    EXPECT_GT(first.size(), 1000u);
    EXPECT_LE(first.size(), 1u << 20);
    EXPECT_EQ(StreamReadLine(stream), "next");
    EXPECT_EQ(StreamAtEnd(stream), 1);
}

TEST_F(FilesTest, CaseInsensitiveOpenForReadingOnly) {
    ASSERT_EQ(MakeDirectory(At("gfx/ships"), 1), 1);
    Put("gfx/ships/laser.png", "PNG");
    // Backslashes and wrong case across two directory levels.
    auto in = OpenReadStream(dir + "\\GFX\\Ships\\Laser.PNG");
    ASSERT_TRUE(in);
    std::string bytes;
    EXPECT_TRUE(StreamReadAll(in, bytes, 100));
    EXPECT_EQ(bytes, "PNG");
    EXPECT_EQ(ResolvePathCaseless(dir + "/GFX/SHIPS/LASER.png"), At("gfx/ships/laser.png"));
    EXPECT_EQ(ResolvePathCaseless(dir + "/GFX/missing.png"), "");
    EXPECT_EQ(ResolvePathCaseless(dir + "/nothere/laser.png"), "");
    EXPECT_FALSE(OpenReadStream(dir + "/GFX/Missing.png"));

    // Writing uses the spelling as given: a new file next to the old one.
    ASSERT_EQ(MakeDirectory(At("GFX"), 0), 1);
    auto out = OpenWriteStream(dir + "\\GFX\\Laser.PNG");
    ASSERT_TRUE(out);
    StreamWriteLine(out, "new");
    StreamClose(out);
    EXPECT_EQ(PathKind(At("GFX/Laser.PNG")), 1);
    EXPECT_EQ(Get("gfx/ships/laser.png"), "PNG");
}

TEST_F(FilesTest, CaseInsensitiveOpenOfRelativeName) {
    Put("Options.ini", "x=1\n");
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(ResolvePathCaseless("options.INI"), "Options.ini");
    auto in = OpenReadStream("OPTIONS.ini");
    EXPECT_TRUE(in);
    ASSERT_EQ(chdir(old), 0);
}

TEST_F(FilesTest, DirectoriesDoNotOpenAsFiles) {
    ASSERT_EQ(MakeDirectory(At("sub"), 0), 1);
    EXPECT_FALSE(OpenReadStream(At("sub")));
    EXPECT_FALSE(OpenWriteStream(At("sub")));
    EXPECT_FALSE(OpenReadStream(At("absent.txt")));
    EXPECT_FALSE(OpenReadWriteStream(At("absent.txt")));
}

TEST_F(FilesTest, FifosAndDevicesReadAsMissingWithoutBlocking) {
    // A FIFO with a game file's name would wait for a writer for ever; a device never ends.
    ASSERT_EQ(mkfifo(At("Options.ini").c_str(), 0600), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool opened = OpenReadStream(At("Options.ini")) || OpenReadWriteStream(At("Options.ini")) ||
                      OpenReadStream("/dev/zero") || OpenReadStream(At("options.INI"));
        _exit(opened ? 1 : 0);
    }
    int status = -1;
    for (int i = 0; i < 500 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "opening a FIFO for reading blocked";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a FIFO or device opened as a file";
    Put("plain.txt", "a\n");
    auto plain = OpenReadStream(At("plain.txt"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(StreamReadLine(plain), "a");  // regular files read as before, blocking mode back on
}

TEST_F(FilesTest, ReadWriteStreamMixesReadsWritesAndSeeks) {
    Put("rw.bin", "0123456789");
    auto stream = OpenReadWriteStream(At("rw.bin"));
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Size(), 10);
    char buf[4] = {};
    EXPECT_EQ(stream->Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "012");
    // Writing straight after reading overwrites at the current position.
    EXPECT_EQ(stream->Write("ab", 2), 2);
    EXPECT_EQ(stream->Position(), 5);
    EXPECT_EQ(stream->Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "56");
    StreamSeek(stream, 10);
    EXPECT_EQ(StreamAtEnd(stream), 1);
    EXPECT_EQ(StreamWriteLine(stream, "end"), 1);
    EXPECT_EQ(stream->Size(), 15);
    EXPECT_EQ(StreamAtEnd(stream), 1);
    StreamSeek(stream, 0);
    EXPECT_EQ(StreamAtEnd(stream), 0);
    EXPECT_EQ(StreamReadLine(stream), "012ab56789end");
    EXPECT_EQ(StreamAtEnd(stream), 1);
    StreamClose(stream);
    EXPECT_EQ(Get("rw.bin"), "012ab56789end\r\n");
    // A closed stream reads nothing and is at its end.
    EXPECT_EQ(stream->Read(buf, 1), 0);
    EXPECT_EQ(stream->Write("x", 1), 0);
    EXPECT_EQ(StreamAtEnd(stream), 1);
}

TEST_F(FilesTest, NullStreamsAreIgnored) {
    std::shared_ptr<TStream> none;
    StreamClose(none);
    StreamSeek(none, 3);
    EXPECT_EQ(StreamAtEnd(none), 0);
    EXPECT_EQ(StreamReadLine(none), "");
    EXPECT_EQ(StreamWriteLine(none, "x"), 0);
    std::string out = "old";
    EXPECT_TRUE(StreamReadAll(none, out, 10));
    EXPECT_EQ(out, "");
}

TEST_F(FilesTest, ReadAllIsBounded) {
    Put("ten.txt", "0123456789");
    std::string out;
    EXPECT_TRUE(StreamReadAll(OpenReadStream(At("ten.txt")), out, 10));
    EXPECT_EQ(out, "0123456789");
    EXPECT_FALSE(StreamReadAll(OpenReadStream(At("ten.txt")), out, 4));
    EXPECT_EQ(out, "0123");
    auto stream = OpenReadStream(At("ten.txt"));
    StreamSeek(stream, 7);
    EXPECT_TRUE(StreamReadAll(stream, out, 100));
    EXPECT_EQ(out, "789");
}

TEST_F(FilesTest, PathKinds) {
    Put("file.txt", "x");
    ASSERT_EQ(MakeDirectory(At("folder"), 0), 1);
    EXPECT_EQ(PathKind(At("file.txt")), 1);
    EXPECT_EQ(PathKind(At("folder")), 2);
    EXPECT_EQ(PathKind(dir + "\\folder\\"), 2);
    EXPECT_EQ(PathKind(At("nothing")), 0);
    EXPECT_EQ(PathKind(""), 0);
    EXPECT_EQ(PathKind("/dev/null"), 0);
}

TEST_F(FilesTest, MakeDirectoryPlainAndRecursive) {
    // Without recurse a missing parent makes it fail.
    EXPECT_EQ(MakeDirectory(At("a/b"), 0), 0);
    EXPECT_EQ(MakeDirectory(dir + "\\a\\b\\c", 1), 1);
    EXPECT_EQ(PathKind(At("a/b/c")), 2);
    // Existing directories are fine, also with a trailing separator.
    EXPECT_EQ(MakeDirectory(At("a/b"), 0), 1);
    EXPECT_EQ(MakeDirectory(At("a/b/c/"), 1), 1);
    // A file in the way gives 0 and leaves the file alone.
    Put("a/plain", "keep");
    EXPECT_EQ(MakeDirectory(At("a/plain/deeper/x"), 1), 0);
    EXPECT_EQ(MakeDirectory(At("a/plain"), 0), 0);
    EXPECT_EQ(MakeDirectory(At("a/plain"), 1), 0);
    EXPECT_EQ(Get("a/plain"), "keep");
    EXPECT_EQ(MakeDirectory("", 1), 0);
}

TEST_F(FilesTest, MakeDirectoryHonoursUmask) {
    mode_t old = umask(022);
    ASSERT_EQ(MakeDirectory(At("masked"), 0), 1);
    umask(old);
    struct stat info;
    ASSERT_EQ(stat(At("masked").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST_F(FilesTest, ListDirectory) {
    ASSERT_EQ(MakeDirectory(At("empty"), 0), 1);
    EXPECT_TRUE(ListDirectory(At("empty"), 1).empty());
    auto withDots = ListDirectory(At("empty"), 0);
    std::sort(withDots.begin(), withDots.end());
    EXPECT_EQ(withDots, (Lines{".", ".."}));

    ASSERT_EQ(MakeDirectory(At("music"), 0), 1);
    Put("music/b.ogg", "");
    Put("music/a.ogg", "");
    ASSERT_EQ(MakeDirectory(At("music/sub"), 0), 1);
    auto names = ListDirectory(dir + "\\music", 1);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"a.ogg", "b.ogg", "sub"}));

    EXPECT_TRUE(ListDirectory(At("missing"), 1).empty());
    Put("file", "");
    EXPECT_TRUE(ListDirectory(At("file"), 0).empty());
}

TEST(PathExtension, LastComponentOnly) {
    EXPECT_EQ(PathExtension("song.ogg"), "ogg");
    EXPECT_EQ(PathExtension("music/track.01/readme"), "");
    EXPECT_EQ(PathExtension("music\\track.01\\readme"), "");
    EXPECT_EQ(PathExtension("shot.tar.gz"), "gz");
    EXPECT_EQ(PathExtension("gfx\\Logo.PNG"), "PNG");
    EXPECT_EQ(PathExtension("noext"), "");
    EXPECT_EQ(PathExtension("trailing."), "");
    EXPECT_EQ(PathExtension(""), "");
}

TEST_F(FilesTest, RenameAndDelete) {
    Put("one", "1");
    Put("two", "2");
    EXPECT_EQ(RenameFile(At("one"), dir + "\\two"), 1);
    EXPECT_EQ(PathKind(At("one")), 0);
    EXPECT_EQ(Get("two"), "1");
    EXPECT_EQ(RenameFile(At("one"), At("three")), 0);
    EXPECT_EQ(DeleteFile(At("two")), 1);
    EXPECT_EQ(PathKind(At("two")), 0);
    EXPECT_EQ(DeleteFile(At("two")), 0);
    ASSERT_EQ(MakeDirectory(At("d"), 0), 1);
    EXPECT_EQ(DeleteFile(At("d")), 0);
}

TEST_F(FilesTest, AtomicWriteReplacesWholeFileAndKeepsMode) {
    Put("Highscore.txt", "old contents that are longer");
    chmod(At("Highscore.txt").c_str(), 0640);
    EXPECT_EQ(WriteFileAtomically(dir + "\\Highscore.txt", "new"), 1);
    EXPECT_EQ(Get("Highscore.txt"), "new");
    struct stat info;
    ASSERT_EQ(stat(At("Highscore.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(WriteFileAtomically(At("fresh.txt"), ""), 1);
    EXPECT_EQ(PathKind(At("fresh.txt")), 1);
    // No temporary left behind.
    auto names = ListDirectory(dir, 1);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"Highscore.txt", "fresh.txt"}));
}

TEST_F(FilesTest, AtomicWriteThroughLinksWritesTheLastTargetAndKeepsTheLinks) {
    // A chain of relative links: the file at its end is replaced, the links stay.
    ASSERT_EQ(MakeDirectory(At("real"), 0), 1);
    Put("real/Options.ini", "old");
    ASSERT_EQ(symlink("real/Options.ini", At("middle").c_str()), 0);
    ASSERT_EQ(symlink("middle", At("Options.ini").c_str()), 0);
    EXPECT_EQ(WriteFileAtomically(At("Options.ini"), "new"), 1);
    EXPECT_EQ(Get("real/Options.ini"), "new");
    EXPECT_EQ(std::filesystem::read_symlink(At("Options.ini")), "middle");
    EXPECT_EQ(ListDirectory(At("real"), 1), (Lines{"Options.ini"}));
    // A link into a missing folder: nothing to write to, the link stays.
    ASSERT_EQ(symlink("gone/file", At("dangling").c_str()), 0);
    EXPECT_EQ(WriteFileAtomically(At("dangling"), "data"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(At("dangling")));
    // A loop of links leads nowhere: the file takes the link's place.
    ASSERT_EQ(symlink("loop", At("loop").c_str()), 0);
    EXPECT_EQ(WriteFileAtomically(At("loop"), "data"), 1);
    EXPECT_EQ(Get("loop"), "data");
}

TEST_F(FilesTest, AtomicWriteFailureLeavesOldStateAndNoTemporary) {
    // The target is a non-empty directory: the rename must fail.
    ASSERT_EQ(MakeDirectory(At("target/inner"), 1), 1);
    EXPECT_EQ(WriteFileAtomically(At("target"), "data"), 0);
    EXPECT_EQ(PathKind(At("target/inner")), 2);
    EXPECT_EQ(ListDirectory(dir, 1), (Lines{"target"}));
    // The reason, for the player's notice, names the file and what went wrong.
    EXPECT_EQ(LastWriteError(), At("target") + ": " + std::strerror(EISDIR));
    // The folder does not exist.
    EXPECT_EQ(WriteFileAtomically(At("nofolder/file"), "data"), 0);
    EXPECT_EQ(LastWriteError(), At("nofolder/file") + ": " + std::strerror(ENOENT));
    EXPECT_EQ(WriteFileAtomically("", "data"), 0);
    // A file where a folder should be.
    EXPECT_EQ(MakeUserDirectory(At("target/inner/x/y")), 1);
    Put("plain", "x");
    EXPECT_EQ(MakeUserDirectory(At("plain/sub")), 0);
    EXPECT_EQ(LastWriteError(), At("plain") + ": " + std::strerror(ENOTDIR));
}

TEST(Home, OnlyAnAbsoluteHomeCountsElseThePasswordDatabasesEntry) {
    // A relative HOME would resolve inside the game's data folder, its working directory.
    const char* was = std::getenv("HOME");
    const std::string saved = was ? was : "";
    const passwd* entry = getpwuid(getuid());
    const std::string fromDatabase = entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
    setenv("HOME", "/somewhere/else", 1);
    EXPECT_EQ(HomeFolder(), "/somewhere/else");
    setenv("HOME", "relative/home", 1);
    EXPECT_EQ(HomeFolder(), fromDatabase);
    unsetenv("HOME");
    EXPECT_EQ(HomeFolder(), fromDatabase);
    if (was) setenv("HOME", saved.c_str(), 1);
}

TEST_F(FilesTest, AtomicWriteIntoReadOnlyFolderKeepsOldFile) {
    Put("keep.txt", "old");
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    int result = -1;
    if (geteuid() != 0) {
        result = WriteFileAtomically(At("keep.txt"), "new");
    } else {
        // Permissions do not bind root: try it as an unprivileged user in a child.
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
            _exit(WriteFileAtomically(At("keep.txt"), "new"));
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        result = WEXITSTATUS(status);
    }
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Get("keep.txt"), "old");
    EXPECT_EQ(ListDirectory(dir, 1), (Lines{"keep.txt"}));
}

}  // namespace
