// Streams: the abstract TStream with the buffer and copy helpers, memory streams (TMemoryStream,
// TBytesStream, TStringStream) and file streams over an operating-system handle.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/system.h"

#include <QByteArray>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

using TBytes = std::vector<Byte>;

class TStream : public TObject {
    SDELKA_CLASS(TStream, TObject)
public:
    // Reads up to Count bytes at the position and advances it; returns the bytes read (0 at the end).
    virtual Integer Read(void* Buffer, Integer Count) = 0;
    // Writes Count bytes at the position and advances it; returns the bytes written.
    virtual Integer Write(const void* Buffer, Integer Count) = 0;
    // Moves the position and returns the new one.
    virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

    Int64 Position() { return Seek(0, soCurrent); }
    void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
    // The default size seeks to the end and back.
    virtual Int64 Size();
    // The default cannot change the size and does nothing (as the framework's TStream).
    virtual void SetSize(Int64 NewSize) {}

    // Read/Write exactly Count bytes: EReadError "Stream read error" / EWriteError "Stream write
    // error" on a short transfer.
    void ReadBuffer(void* Buffer, Integer Count);
    void WriteBuffer(const void* Buffer, Integer Count);
    // Copies Count bytes from Source at its position; Count 0 copies the whole Source from its start.
    // Returns the bytes copied; a short source raises EReadError.
    Int64 CopyFrom(TStream* Source, Int64 Count);
};

// A stream over an open operating-system file descriptor; the descriptor stays the caller's.
class THandleStream : public TStream {
    SDELKA_CLASS(THandleStream, TStream)
public:
    explicit THandleStream(int AHandle) : FHandle(AHandle) {}
    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    // Truncates or extends the file; EStreamError with the system's reason on failure.
    void SetSize(Int64 NewSize) override;
    int Handle() const { return FHandle; }

protected:
    int FHandle = -1;
};

// TFileStream modes: one access mode or'ed with one share mode, or fmCreate (create or truncate,
// opened for reading and writing). Share modes are accepted and not enforced (files on this
// system have no mandatory locks).
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class TFileStream : public THandleStream {
    SDELKA_CLASS(TFileStream, THandleStream)
public:
    // Opens or creates the file; EFOpenError "Cannot open file "%s". %s" / EFCreateError
    // "Cannot create file "%s". %s" with the expanded file name and the system's reason.
    TFileStream(const String& AFileName, Word Mode);
    ~TFileStream() override;
    const String& FileName() const { return FFileName; }

private:
    String FFileName;
};

// A file written safely: the bytes go to a new temporary file in the target's folder, and only
// Commit (flushed to the disk and closed, every step checked) renames it over the target. A stream
// freed without Commit, or whose Commit failed, removes its temporary file and leaves the old
// target as it was, byte for byte. Errors name the target and the system's reason: EFCreateError
// "Cannot create file "%s". %s" when the temporary file cannot be made, EWriteError
// "Cannot write file "%s". %s" (for example "No space left on device") from a write or Commit.
// The one way the system writes a file that a user or a later run reads.
class TSafeFileStream : public THandleStream {
    SDELKA_CLASS(TSafeFileStream, THandleStream)
public:
    explicit TSafeFileStream(const String& AFileName);
    ~TSafeFileStream() override;
    // Writes all Count bytes or raises EWriteError.
    Integer Write(const void* Buffer, Integer Count) override;
    void SetSize(Int64 NewSize) override;
    void Commit();
    const String& FileName() const { return FFileName; }

private:
    [[noreturn]] void RaiseWriteError(int Error);
    void Discard();
    String FFileName;
    QByteArray FTempPath;
    Int64 FWritten = 0;
    int FError = 0;
};

// Writes the whole of Data to FileName through a TSafeFileStream.
void SaveBytesToFileSafely(const String& FileName, const void* Data, Int64 Size);

// A test seam of TSafeFileStream: a fault to inject into the files it writes from now on, so that
// tests can play a full disk or a folder the user may not write to wherever they run (as root a
// read-only folder is still writable). FailCreate makes the temporary file's creation fail;
// FailAfter >= 0 makes writes fail once that many bytes of a file went out (those bytes are
// written); FailCommit makes the flush at Commit fail. Error is the system's error code reported.
struct TSafeFileFault {
    bool FailCreate = false;
    Int64 FailAfter = -1;
    bool FailCommit = false;
    int Error = 0;
};
void SetSafeFileFault(const TSafeFileFault& Fault);
void ClearSafeFileFault();

// A stream in memory. Memory() is valid until the next size change. Seeking past the end is
// allowed; a write there fills the gap with zeros.
class TMemoryStream : public TStream {
    SDELKA_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override { return static_cast<Int64>(FData.size()); }
    // Keeps the data up to the new size (new bytes are zero); the position stays unless beyond it.
    void SetSize(Int64 NewSize) override;

    void* Memory() { return FData.data(); }
    const void* Memory() const { return FData.data(); }
    Int64 Capacity() const { return static_cast<Int64>(FData.capacity()); }
    void SetCapacity(Int64 NewCapacity);
    // Empties the stream and releases its memory.
    void Clear();

    // Replaces the contents with the whole of Stream (from its start) / the file; the position
    // stays (a new stream reads from 0).
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const String& FileName);
    // Writes the whole contents to Stream at its position / to a new file.
    void SaveToStream(TStream* Stream);
    void SaveToFile(const String& FileName);

protected:
    TBytes FData;
    Int64 FPosition = 0;
};

// A memory stream over a byte array; Bytes() has exactly Size() bytes.
class TBytesStream : public TMemoryStream {
    SDELKA_CLASS(TBytesStream, TMemoryStream)
public:
    TBytesStream() = default;
    explicit TBytesStream(TBytes ABytes) { FData = std::move(ABytes); }
    const TBytes& Bytes() const { return FData; }
};

// A byte stream that holds text in UTF-8.
class TStringStream : public TBytesStream {
    SDELKA_CLASS(TStringStream, TBytesStream)
public:
    explicit TStringStream(const String& AString = String());
    // The whole contents decoded as UTF-8.
    String DataString() const;
    // Reads Count bytes at the position and decodes them.
    String ReadString(Integer Count);
    // Writes the string's UTF-8 bytes at the position.
    void WriteString(const String& AString);
};
