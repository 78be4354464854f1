#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/TFileStream.h"

namespace {

// Longest text line kept by StreamReadLine; the rest of a longer line is dropped, so a
// damaged or hostile file cannot make one line eat all memory.
constexpr size_t kMaxLineBytes = 1 << 20;
// Paths longer than this are not resolved case-insensitively (each component recurses).
constexpr size_t kMaxResolvePath = 4096;
// Symbolic links followed in a row before a save gives up following them (a loop).
constexpr int kMaxLinkHops = 40;
// Mode of a file only its owner may read: owner read and write.
constexpr mode_t kPrivateFileMode = 0600;

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Why the last folder or file write failed, for the player's notice.
std::string lastWriteError;

// Records "path: reason" from errno as the last write error; 0, the failed result.
int WriteFailed(const std::string& path) {
    lastWriteError = path + ": " + std::strerror(errno);
    return 0;
}

int KindOfNative(const std::string& path) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return 0;
    if (S_ISREG(info.st_mode)) return 1;
    if (S_ISDIR(info.st_mode)) return 2;
    return 0;
}

std::vector<std::string> ListNative(const std::string& path, bool skipDots) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (skipDots && (name == "." || name == "..")) continue;
        names.push_back(std::move(name));
    }
    closedir(dir);
    return names;
}

std::string ResolveNative(const std::string& path) {
    if (path.empty() || path.size() > kMaxResolvePath) return "";
    if (KindOfNative(path) != 0) return path;

    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    size_t slash = trimmed.rfind('/');
    bool hasParent = slash != std::string::npos;
    std::string name = hasParent ? trimmed.substr(slash + 1) : trimmed;
    if (name.empty()) return "";

    std::string parent;
    if (hasParent) {
        parent = ResolveNative(slash == 0 ? std::string("/") : trimmed.substr(0, slash));
        if (parent.empty()) return "";
    }
    std::string wanted = LowerAscii(name);
    for (const std::string& entry : ListNative(hasParent ? parent : std::string("."), false)) {
        if (LowerAscii(entry) != wanted) continue;
        if (!hasParent) return entry;
        return parent.back() == '/' ? parent + entry : parent + "/" + entry;
    }
    return "";
}

// Writes every byte to a descriptor, retrying short writes and interruptions.
bool WriteAllTo(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string NativePath(const std::string& path) {
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string ResolvePathCaseless(const std::string& path) { return ResolveNative(NativePath(path)); }

std::shared_ptr<TStream> OpenReadStream(const std::string& path) {
    std::string native = NativePath(path);
    if (auto stream = TFileStream::Open(native, "rb")) return stream;
    std::string resolved = ResolveNative(native);
    if (resolved.empty() || resolved == native) return nullptr;
    return TFileStream::Open(resolved, "rb");
}

std::shared_ptr<TStream> OpenWriteStream(const std::string& path) {
    return TFileStream::Open(NativePath(path), "wb");
}

std::shared_ptr<TStream> OpenReadWriteStream(const std::string& path) {
    return TFileStream::Open(NativePath(path), "r+b");
}

void StreamClose(const std::shared_ptr<TStream>& stream) {
    if (stream) stream->Close();
}

int StreamAtEnd(const std::shared_ptr<TStream>& stream) { return stream ? stream->AtEnd() : 0; }

std::string StreamReadLine(const std::shared_ptr<TStream>& stream) {
    if (!stream) return "";
    if (auto* file = dynamic_cast<TFileStream*>(stream.get())) return file->ReadLine(kMaxLineBytes);
    // Other streams (sockets) one byte at a time, so nothing past the line is taken.
    std::string line;
    unsigned char c = 0;
    while (stream->Read(&c, 1) == 1) {
        if (c == '\n' || c == 0) break;
        if (c == '\r') continue;
        if (line.size() < kMaxLineBytes) line.push_back(static_cast<char>(c));
    }
    return line;
}

int StreamWriteLine(const std::shared_ptr<TStream>& stream, const std::string& text) {
    if (!stream) return 0;
    std::string bytes = text + "\r\n";
    if (bytes.size() > 0x7fffffff) return 0;
    int count = static_cast<int>(bytes.size());
    return stream->Write(bytes.data(), count) == count ? 1 : 0;
}

void StreamSeek(const std::shared_ptr<TStream>& stream, int64_t position) {
    if (stream) stream->Seek(position);
}

bool StreamReadAll(const std::shared_ptr<TStream>& stream, std::string& out, int64_t maxBytes) {
    out.clear();
    if (!stream) return true;
    if (maxBytes < 0) maxBytes = 0;
    int64_t size = stream->Size(), position = stream->Position();
    if (size > 0 && position >= 0 && size > position)
        out.reserve(static_cast<size_t>(std::min(size - position, maxBytes)));
    char chunk[65536];
    while (static_cast<int64_t>(out.size()) < maxBytes) {
        int64_t want = std::min<int64_t>(sizeof chunk, maxBytes - static_cast<int64_t>(out.size()));
        int got = stream->Read(chunk, static_cast<int>(want));
        if (got <= 0) return true;
        out.append(chunk, static_cast<size_t>(got));
    }
    char extra;
    return stream->Read(&extra, 1) <= 0;
}

int PathKind(const std::string& path) { return KindOfNative(NativePath(path)); }

namespace {

// Makes a folder with the given mode, and with recurse its missing parents first; 1 if the
// folder exists afterwards. A parent that is a file stops it.
int MakeFolderWithMode(const std::string& path, int recurse, mode_t mode) {
    std::string native = NativePath(path);
    if (native.empty()) return 0;
    if (recurse) {
        // Each prefix ending before a "/" in turn, then the whole path.
        for (size_t slash = native.find('/', 1); slash != std::string::npos;
             slash = native.find('/', slash + 1)) {
            std::string prefix = native.substr(0, slash);
            int kind = KindOfNative(prefix);
            if (kind == 1) {
                errno = ENOTDIR;
                return WriteFailed(prefix);
            }
            if (kind == 0 && mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) return WriteFailed(prefix);
        }
        if (KindOfNative(native) == 1) {
            errno = ENOTDIR;
            return WriteFailed(native);
        }
    }
    if (KindOfNative(native) != 2 && mkdir(native.c_str(), mode) != 0 && errno != EEXIST) return WriteFailed(native);
    if (KindOfNative(native) == 2) return 1;
    errno = ENOTDIR;
    return WriteFailed(native);
}

}  // namespace

int MakeDirectory(const std::string& path, int recurse) { return MakeFolderWithMode(path, recurse, 01777); }

std::string ExecutableFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string exe(path, size_t(n));
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

int FolderIsWritable(const std::string& path) {
    std::string native = NativePath(path);
    return KindOfNative(native) == 2 && access(native.c_str(), W_OK | X_OK) == 0 ? 1 : 0;
}

std::string HomeFolder() {
    // A relative HOME would resolve against the working directory, which is the data folder.
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
}

int MakeUserDirectory(const std::string& path) {
    constexpr mode_t kPrivateFolderMode = 0700;
    return MakeFolderWithMode(path, 1, kPrivateFolderMode);
}

std::string LastWriteError() { return lastWriteError; }

int ChangeDirectory(const std::string& path) { return chdir(NativePath(path).c_str()) == 0 ? 1 : 0; }

std::vector<std::string> ListDirectory(const std::string& path, int skipDots) {
    return ListNative(NativePath(path), skipDots == 1);
}

std::string PathExtension(const std::string& path) {
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
    size_t dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

int RenameFile(const std::string& from, const std::string& to) {
    return std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0 ? 1 : 0;
}

int DeleteFile(const std::string& path) { return unlink(NativePath(path).c_str()) == 0 ? 1 : 0; }

namespace {

// The file a path names once its symbolic links are followed: the link's target, so that a
// save replaces the file the link points to and the link stays. A link to a missing file
// gives that file's path (a save creates it). A chain that does not end within
// kMaxLinkHops, or a link that cannot be read, gives the path itself.
std::string FollowLinks(const std::string& path) {
    std::string at = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
        char buffer[PATH_MAX];
        ssize_t n = readlink(at.c_str(), buffer, sizeof buffer);
        if (n <= 0 || size_t(n) >= sizeof buffer) return path;
        std::string link(buffer, size_t(n));
        if (link.front() != '/') {
            // Relative to the folder holding the link.
            size_t slash = at.rfind('/');
            if (slash != std::string::npos) link = at.substr(0, slash + 1) + link;
        }
        if (link.size() > kMaxResolvePath) return path;
        at = link;
    }
    return path;
}

// WriteFileAtomically's work; a private file is made 0600 whatever the old one's mode was.
int WriteAtomically(const std::string& path, const std::string& bytes, bool privateFile) {
    std::string target = NativePath(path);
    if (target.empty() || target.back() == '/') {
        errno = EISDIR;
        return WriteFailed(path);
    }
    target = FollowLinks(target);

    // A fresh temporary beside the target, so the rename stays within one file system.
    static unsigned counter = 0;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateFile ? kPrivateFileMode : 0666);
        if (fd < 0 && errno != EEXIST) return WriteFailed(target);
    }
    if (fd < 0) return WriteFailed(target);

    // Keep the permissions of the file being replaced; a private file never has more than 0600.
    struct stat old;
    if (privateFile)
        fchmod(fd, kPrivateFileMode);
    else if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fd, old.st_mode & 07777);

    bool ok = WriteAllTo(fd, bytes) && fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        errno = failure ? failure : EIO;
        return WriteFailed(target);
    }
    // Make the rename itself durable.
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return 1;
}

}  // namespace

int WriteFileAtomically(const std::string& path, const std::string& bytes) {
    return WriteAtomically(path, bytes, false);
}

int WritePrivateFileAtomically(const std::string& path, const std::string& bytes) {
    return WriteAtomically(path, bytes, true);
}

bool SystemRandomBytes(void* buffer, size_t count) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = getrandom(bytes + done, count - done, 0);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno != EINTR) {
            break;
        }
    }
    if (done == count) return true;
    // A kernel without getrandom: the device gives the same bytes.
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    done = 0;
    while (done < count) {
        ssize_t n = read(fd, bytes + done, count - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fd);
    return done == count;
}
