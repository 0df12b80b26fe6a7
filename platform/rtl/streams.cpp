#include "platform/rtl/streams.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/fileutils.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

String SystemErrorMessage(int Code) { return qt_error_string(Code); }

}  // namespace

// ---- TStream -----------------------------------------------------------------------------------

Int64 TStream::Size() {
    Int64 pos = Seek(0, soCurrent);
    Int64 result = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return result;
}

void TStream::ReadBuffer(void* Buffer, Integer Count) {
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* Buffer, Integer Count) {
    if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(QStringLiteral("Stream write error"));
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const Int64 result = Count;
    constexpr Integer MaxBufSize = 0xF000;
    std::vector<Byte> buffer(static_cast<std::size_t>(std::min<Int64>(Count, MaxBufSize)));
    while (Count != 0) {
        Integer n = static_cast<Integer>(std::min<Int64>(Count, MaxBufSize));
        Source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        Count -= n;
    }
    return result;
}

// ---- THandleStream -----------------------------------------------------------------------------

Integer THandleStream::Read(void* Buffer, Integer Count) {
    if (Count <= 0) return 0;
    Integer done = 0;
    while (done < Count) {
        ssize_t n = ::read(FHandle, static_cast<char*>(Buffer) + done, static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<Integer>(n);
    }
    return done;
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
    if (Count <= 0) return 0;
    Integer done = 0;
    while (done < Count) {
        ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done, static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<Integer>(n);
    }
    return done;
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    return static_cast<Int64>(::lseek(FHandle, static_cast<off_t>(Offset), whence));
}

void THandleStream::SetSize(Int64 NewSize) {
    Seek(NewSize, soBeginning);
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EStreamError(SystemErrorMessage(errno));
}

// ---- TFileStream -------------------------------------------------------------------------------

TFileStream::TFileStream(const String& AFileName, Word Mode) : THandleStream(-1), FFileName(AFileName) {
    const QByteArray path = QFile::encodeName(AFileName);
    if ((Mode & fmCreate) == fmCreate) {
        FHandle = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) {
            int err = errno;
            throw EFCreateError(QStringLiteral("Cannot create file \"%s\". %s"),
                                {ExpandFileName(AFileName), SystemErrorMessage(err)});
        }
    } else {
        int access = Mode & 3;
        int flags = access == fmOpenWrite ? O_WRONLY : access == fmOpenReadWrite ? O_RDWR : O_RDONLY;
        FHandle = ::open(path.constData(), flags | O_CLOEXEC);
        struct stat st;
        if (FHandle >= 0 && ::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            // A folder opens for reading here but is no file to stream.
            ::close(FHandle);
            FHandle = -1;
            errno = EISDIR;
        }
        if (FHandle < 0) {
            int err = errno;
            throw EFOpenError(QStringLiteral("Cannot open file \"%s\". %s"),
                              {ExpandFileName(AFileName), SystemErrorMessage(err)});
        }
    }
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

// ---- TSafeFileStream ----------------------------------------------------------------------------

namespace {
TSafeFileFault gSafeFileFault;
}  // namespace

void SetSafeFileFault(const TSafeFileFault& Fault) { gSafeFileFault = Fault; }
void ClearSafeFileFault() { gSafeFileFault = TSafeFileFault(); }

TSafeFileStream::TSafeFileStream(const String& AFileName) : THandleStream(-1), FFileName(AFileName) {
    const String full = ExpandFileName(AFileName);
    const QByteArray target = QFile::encodeName(full);
    const qsizetype slash = target.lastIndexOf('/');
    FTempPath = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".XXXXXX";
    int err = 0;
    if (gSafeFileFault.FailCreate) {
        err = gSafeFileFault.Error;
    } else {
        FHandle = ::mkostemp(FTempPath.data(), O_CLOEXEC);
        if (FHandle < 0) err = errno;
    }
    if (FHandle < 0)
        throw EFCreateError(QStringLiteral("Cannot create file \"%s\". %s"), {full, SystemErrorMessage(err)});
    // The new file gets the old one's permissions, else those of any new file.
    struct stat st;
    mode_t mode;
    if (::stat(target.constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(FHandle, mode);
}

TSafeFileStream::~TSafeFileStream() { Discard(); }

void TSafeFileStream::Discard() {
    if (FHandle < 0) return;
    ::close(FHandle);
    FHandle = -1;
    ::unlink(FTempPath.constData());
}

void TSafeFileStream::RaiseWriteError(int Error) {
    // The first failure is the one to tell, also to a writer that carried on after it.
    if (!FError) FError = Error;
    Error = FError;
    Discard();
    throw EWriteError(QStringLiteral("Cannot write file \"%s\". %s"), {ExpandFileName(FFileName), SystemErrorMessage(Error)});
}

Integer TSafeFileStream::Write(const void* Buffer, Integer Count) {
    if (Count <= 0) return 0;
    if (FHandle < 0) RaiseWriteError(EBADF);
    Integer allowed = Count;
    const Int64 limit = gSafeFileFault.FailAfter;
    if (limit >= 0) allowed = static_cast<Integer>(std::clamp<Int64>(limit - FWritten, 0, Count));
    Integer done = 0;
    while (done < allowed) {
        ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done, static_cast<std::size_t>(allowed - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseWriteError(errno);
        if (n == 0) RaiseWriteError(ENOSPC);
        done += static_cast<Integer>(n);
    }
    FWritten += done;
    if (done < Count) RaiseWriteError(gSafeFileFault.Error);
    return Count;
}

void TSafeFileStream::SetSize(Int64 NewSize) {
    if (FHandle < 0) RaiseWriteError(EBADF);
    Seek(NewSize, soBeginning);
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) RaiseWriteError(errno);
}

void TSafeFileStream::Commit() {
    if (FHandle < 0) RaiseWriteError(EBADF);
    if (gSafeFileFault.FailCommit) RaiseWriteError(gSafeFileFault.Error);
    if (::fsync(FHandle) != 0) RaiseWriteError(errno);
    const int handle = FHandle;
    FHandle = -1;
    if (::close(handle) != 0) {
        const int err = errno;
        ::unlink(FTempPath.constData());
        throw EWriteError(QStringLiteral("Cannot write file \"%s\". %s"), {ExpandFileName(FFileName), SystemErrorMessage(err)});
    }
    const QByteArray target = QFile::encodeName(ExpandFileName(FFileName));
    if (::rename(FTempPath.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(FTempPath.constData());
        throw EWriteError(QStringLiteral("Cannot write file \"%s\". %s"), {ExpandFileName(FFileName), SystemErrorMessage(err)});
    }
}

void SaveBytesToFileSafely(const String& FileName, const void* Data, Int64 Size) {
    TSafeFileStream file(FileName);
    const char* p = static_cast<const char*>(Data);
    while (Size > 0) {
        const Integer n = static_cast<Integer>(std::min<Int64>(Size, 1 << 30));
        file.WriteBuffer(p, n);
        p += n;
        Size -= n;
    }
    file.Commit();
}

// ---- TMemoryStream -----------------------------------------------------------------------------

Integer TMemoryStream::Read(void* Buffer, Integer Count) {
    if (FPosition < 0 || Count <= 0) return 0;
    Int64 avail = Size() - FPosition;
    if (avail <= 0) return 0;
    Integer n = static_cast<Integer>(std::min<Int64>(avail, Count));
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
    if (FPosition < 0 || Count <= 0) return 0;
    Int64 end = FPosition + Count;
    if (end > Size()) FData.resize(static_cast<std::size_t>(end));
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = end;
    return Count;
}

Int64 TMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    switch (Origin) {
        case soBeginning: FPosition = Offset; break;
        case soCurrent: FPosition += Offset; break;
        case soEnd: FPosition = Size() + Offset; break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(Int64 NewSize) {
    if (NewSize < 0) NewSize = 0;
    FData.resize(static_cast<std::size_t>(NewSize));
    if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::SetCapacity(Int64 NewCapacity) {
    if (NewCapacity > Capacity()) FData.reserve(static_cast<std::size_t>(NewCapacity));
}

void TMemoryStream::Clear() {
    TBytes().swap(FData);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    Int64 count = Stream->Size();
    SetSize(count);
    if (count != 0) Stream->ReadBuffer(FData.data(), static_cast<Integer>(count));
}

void TMemoryStream::LoadFromFile(const String& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TMemoryStream::SaveToStream(TStream* Stream) {
    if (!FData.empty()) Stream->WriteBuffer(FData.data(), static_cast<Integer>(FData.size()));
}

void TMemoryStream::SaveToFile(const String& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

// ---- TStringStream -----------------------------------------------------------------------------

TStringStream::TStringStream(const String& AString) {
    const QByteArray utf8 = AString.toUtf8();
    FData.assign(utf8.constBegin(), utf8.constEnd());
}

String TStringStream::DataString() const {
    return QString::fromUtf8(reinterpret_cast<const char*>(FData.data()), static_cast<qsizetype>(FData.size()));
}

String TStringStream::ReadString(Integer Count) {
    std::vector<char> buf(static_cast<std::size_t>(std::max(Count, 0)));
    Integer n = Read(buf.data(), Count);
    return QString::fromUtf8(buf.data(), n);
}

void TStringStream::WriteString(const String& AString) {
    const QByteArray utf8 = AString.toUtf8();
    WriteBuffer(utf8.constData(), static_cast<Integer>(utf8.size()));
}
