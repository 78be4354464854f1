#include "platform/TFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

std::shared_ptr<TFileStream> TFileStream::Open(const std::string& path, const char* mode) {
    if (path.empty() || !mode) return nullptr;
    if (mode[0] == 'r') {
        // A game file read is a regular file. Opening without blocking and checking first
        // keeps a FIFO (which would wait for a writer), a device or a directory with a game
        // file's name from stalling the game or never reaching an end: it reads as missing.
        int flags = (std::strchr(mode, '+') ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
        int fd = open(path.c_str(), flags);
        if (fd < 0) return nullptr;
        struct stat info;
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
            close(fd);
            return nullptr;
        }
        std::FILE* file = fdopen(fd, mode);
        if (!file) {
            close(fd);
            return nullptr;
        }
        return std::make_shared<TFileStream>(file);
    }
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return std::make_shared<TFileStream>(file);
}

TFileStream::TFileStream(std::FILE* file) : file(file) {}

TFileStream::~TFileStream() { Close(); }

void TFileStream::PrepareRead() {
    if (lastOp == LastOp::Write) std::fseek(file, 0, SEEK_CUR);
    lastOp = LastOp::Read;
}

void TFileStream::PrepareWrite() {
    if (lastOp == LastOp::Read) std::fseek(file, 0, SEEK_CUR);
    lastOp = LastOp::Write;
    readFailed = false;
}

int TFileStream::Read(void* buffer, int count) {
    if (!file || !buffer || count <= 0) return 0;
    PrepareRead();
    size_t got = std::fread(buffer, 1, static_cast<size_t>(count), file);
    if (got < static_cast<size_t>(count)) readFailed = true;
    return static_cast<int>(got);
}

int TFileStream::Write(const void* buffer, int count) {
    if (!file || !buffer || count <= 0) return 0;
    PrepareWrite();
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(count), file));
}

int64_t TFileStream::Position() {
    if (!file) return -1;
    return static_cast<int64_t>(ftello(file));
}

int64_t TFileStream::Size() {
    if (!file) return -1;
    // Buffered output is not in the file yet.
    if (lastOp == LastOp::Write) std::fflush(file);
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t TFileStream::Seek(int64_t position) {
    if (!file || position < 0) return -1;
    if (fseeko(file, static_cast<off_t>(position), SEEK_SET) != 0) return -1;
    lastOp = LastOp::None;
    readFailed = false;
    return Position();
}

void TFileStream::Flush() {
    if (file) std::fflush(file);
}

void TFileStream::Close() {
    if (!file) return;
    std::fclose(file);
    file = nullptr;
}

int TFileStream::AtEnd() {
    if (!file) return 1;
    int64_t size = Size();
    // Without a size (a pipe or device) only a failed read tells the end.
    if (size < 0) return readFailed ? 1 : 0;
    if (readFailed && lastOp == LastOp::Read) return 1;
    return Position() >= size ? 1 : 0;
}

std::string TFileStream::ReadLine(size_t maxBytes) {
    std::string line;
    if (!file) return line;
    PrepareRead();
    flockfile(file);
    for (;;) {
        int c = getc_unlocked(file);
        if (c == EOF) {
            readFailed = true;
            break;
        }
        if (c == '\n' || c == 0) break;
        if (c == '\r') continue;
        if (line.size() < maxBytes) line.push_back(static_cast<char>(c));
    }
    funlockfile(file);
    return line;
}
