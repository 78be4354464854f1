#pragma once
// A TStream over a C FILE, for the game's configuration, highscore and asset files.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/TStream.h"

// A byte stream over an open file ("rb", "wb" or "r+b"), which it owns and closes.
class TFileStream : public TStream {
public:
    // Opens path (already in native form) with a C fopen mode; null on failure or when
    // the path is a directory.
    static std::shared_ptr<TFileStream> Open(const std::string& path, const char* mode);

    // Takes over an open file.
    explicit TFileStream(std::FILE* file);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Position() override;
    int64_t Size() override;
    int64_t Seek(int64_t position) override;
    void Flush() override;
    void Close() override;
    int AtEnd() override;

    // Reads one text line through the FILE buffer: up to LF, NUL or the end, CR dropped.
    // At most maxBytes are kept; the rest of a longer line is read and thrown away.
    std::string ReadLine(size_t maxBytes);

private:
    // Last operation on the file, because C needs a seek between a write and a read.
    enum class LastOp { None, Read, Write };
    // Makes the file ready for reading after a write.
    void PrepareRead();
    // Makes the file ready for writing after a read.
    void PrepareWrite();

    // The open file, null once closed.
    std::FILE* file;
    // What the file was last used for.
    LastOp lastOp = LastOp::None;
    // A read hit the end of the data or an error (for files that are not regular).
    bool readFailed = false;
};
