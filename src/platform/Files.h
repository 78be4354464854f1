#pragma once
// Files, directories, text lines on streams, and TCP client streams.
// Every path first has each backslash turned into a slash, so "gfx\Logo.png" works.
#include <memory>
#include <string>
#include <vector>

#include "platform/TStream.h"
#include "platform/Text.h"

class TSocketStream;

// The path with every "\" replaced by "/".
std::string NativePath(const std::string& path);
// The path resolved case-insensitively, component by component; "" when it cannot be.
std::string ResolvePathCaseless(const std::string& path);

// Opens a file for reading ("rb"); when that fails, once more with the case-insensitive
// resolution of the path. Null when the file cannot be opened.
std::shared_ptr<TStream> OpenReadStream(const std::string& path);
// Creates or truncates a file for writing ("wb"); never case-resolved. Null on failure.
std::shared_ptr<TStream> OpenWriteStream(const std::string& path);
// Opens an existing file for reading and writing ("r+b"). Null on failure.
std::shared_ptr<TStream> OpenReadWriteStream(const std::string& path);

// Closes the stream (a null stream is ignored).
void StreamClose(const std::shared_ptr<TStream>& stream);
// 1 when no more data can be read.
int StreamAtEnd(const std::shared_ptr<TStream>& stream);
// One line: up to LF, a NUL byte or the end of the data; CR bytes are dropped.
std::string StreamReadLine(const std::shared_ptr<TStream>& stream);
// The text's bytes followed by CR LF; 1 if every byte was written.
int StreamWriteLine(const std::shared_ptr<TStream>& stream, const std::string& text);
// Sets the position in bytes from the start.
void StreamSeek(const std::shared_ptr<TStream>& stream, int64_t position);
// Reads the whole rest of a stream, at most maxBytes; false if more was there.
bool StreamReadAll(const std::shared_ptr<TStream>& stream, std::string& out, int64_t maxBytes);

// 0 does not exist, 1 regular file, 2 directory.
int PathKind(const std::string& path);
// 1 if the directory exists afterwards.
int MakeDirectory(const std::string& path, int recurse);
// Names in the order the system gives them; "." and ".." left out when skipDots is 1.
std::vector<std::string> ListDirectory(const std::string& path, int skipDots);
// The text after the last "." of the last path component, or "".
std::string PathExtension(const std::string& path);
// Renames a file, replacing the target; 1 on success.
int RenameFile(const std::string& from, const std::string& to);
// Deletes a file; 1 on success.
int DeleteFile(const std::string& path);
// The folder of the running executable (an absolute path without a trailing "/"), or "".
std::string ExecutableFolder();
// 1 when the folder exists and this process may create files in it.
int FolderIsWritable(const std::string& path);
// The user's home folder: $HOME when it is an absolute path, else the password database's
// entry; "" when neither is known.
std::string HomeFolder();
// Makes a folder of the user's and its missing parents, private to the user (0700, as the
// XDG folders are made); 1 if the folder exists afterwards.
int MakeUserDirectory(const std::string& path);
// Makes the folder the working directory; 1 on success.
int ChangeDirectory(const std::string& path);
// Writes a whole file through a temporary file in the same folder renamed over the target,
// so the target is either the old file or the complete new one; 1 on success.
int WriteFileAtomically(const std::string& path, const std::string& bytes);
// The same for a file only its owner may read: the new file is mode 0600, whatever the old
// one's mode was.
int WritePrivateFileAtomically(const std::string& path, const std::string& bytes);
// Fills the buffer with bytes from the kernel's random source (getrandom, else /dev/urandom);
// false when neither gives them. Never the game's seeded random streams.
bool SystemRandomBytes(void* buffer, size_t count);
// Why the last failed WriteFileAtomically, MakeDirectory or MakeUserDirectory failed:
// "path: reason".
std::string LastWriteError();

// A connected TCP client stream, or null. The name lookup plus connect is bounded to a few
// seconds, and so is every wait for reply bytes; on expiry the stream fails or reads as ended.
std::shared_ptr<TSocketStream> OpenTcpStream(const std::string& host, int port);
// Sets that bound in milliseconds for streams opened afterwards; ms <= 0 restores the default.
void SetNetworkTimeoutMs(int ms);
// The current bound in milliseconds.
int NetworkTimeoutMs();
// Puts the bound back to its start-up value.
void ResetNetworkTimeout();
