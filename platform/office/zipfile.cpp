#include "platform/office/zipfile.h"

#include "platform/rtl/streams.h"

#include <QDateTime>
#include <QFile>

#include <zlib.h>

#include <limits>


// The file is written to a temporary name and moved into place on Close, so a failed export never
// leaves a half archive under the final name. An archive written into a caller's stream goes there
// directly.
struct TZipFile::TSink {
    TOwned<TSafeFileStream> File;
    TStream* Stream = nullptr;
};

namespace {

constexpr Cardinal LocalSignature = 0x04034b50;
constexpr Cardinal CentralSignature = 0x02014b50;
constexpr Cardinal EndSignature = 0x06054b50;
constexpr Word Utf8Flag = 0x0800;

void Put16(TZipBytes& B, Word V) {
    B.push_back(static_cast<Byte>(V));
    B.push_back(static_cast<Byte>(V >> 8));
}
void Put32(TZipBytes& B, Cardinal V) {
    for (int i = 0; i < 4; ++i) B.push_back(static_cast<Byte>(V >> (8 * i)));
}
void PutBytes(TZipBytes& B, const QByteArray& S) { B.insert(B.end(), S.begin(), S.end()); }

Word Get16(const TZipBytes& B, std::size_t At) {
    if (At + 2 > B.size()) throw EZipException(QStringLiteral("Invalid zip file"));
    return static_cast<Word>(B[At] | (B[At + 1] << 8));
}
Cardinal Get32(const TZipBytes& B, std::size_t At) {
    if (At + 4 > B.size()) throw EZipException(QStringLiteral("Invalid zip file"));
    return static_cast<Cardinal>(B[At]) | (static_cast<Cardinal>(B[At + 1]) << 8) |
           (static_cast<Cardinal>(B[At + 2]) << 16) | (static_cast<Cardinal>(B[At + 3]) << 24);
}

TZipBytes Deflate(const TZipBytes& Data) {
    z_stream z{};
    // Raw deflate (negative window bits): zip members carry no zlib header.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw EZipException(QStringLiteral("Compression error"));
    TZipBytes Out(deflateBound(&z, static_cast<uLong>(Data.size())) + 16);
    z.next_in = const_cast<Bytef*>(Data.data());
    z.avail_in = static_cast<uInt>(Data.size());
    z.next_out = Out.data();
    z.avail_out = static_cast<uInt>(Out.size());
    const int R = deflate(&z, Z_FINISH);
    const uLong Produced = z.total_out;
    deflateEnd(&z);
    if (R != Z_STREAM_END) throw EZipException(QStringLiteral("Compression error"));
    Out.resize(Produced);
    return Out;
}

// Raw deflate can expand at most about 1032 times; a claim beyond that cannot be honest.
constexpr UInt64 MaxDeflateRatio = 1032;

// Inflates in bounded steps, so a member claiming gigabytes costs only what its data really
// produces, and stops as soon as the output passes the claimed size.
TZipBytes Inflate(const Byte* Data, std::size_t Size, UInt64 Expected) {
    if (Expected > UInt64(Size) * MaxDeflateRatio + 64) throw EZipException(QStringLiteral("Decompression error"));
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw EZipException(QStringLiteral("Decompression error"));
    TZipBytes Out;
    Out.reserve(static_cast<std::size_t>(std::min<UInt64>(Expected, 1u << 20)));
    z.next_in = const_cast<Bytef*>(Data);
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(Size, std::numeric_limits<uInt>::max()));
    Byte Chunk[64 * 1024];
    int R = Z_OK;
    while (R == Z_OK) {
        z.next_out = Chunk;
        z.avail_out = sizeof Chunk;
        R = inflate(&z, Z_NO_FLUSH);
        const std::size_t Got = sizeof Chunk - z.avail_out;
        if (Out.size() + Got > Expected) {
            R = Z_DATA_ERROR;
            break;
        }
        Out.insert(Out.end(), Chunk, Chunk + Got);
        // No progress with input left means the stream is cut short.
        if (R == Z_OK && Got == 0 && z.avail_in == 0) R = Z_BUF_ERROR;
    }
    inflateEnd(&z);
    if (R != Z_STREAM_END || Out.size() != Expected) throw EZipException(QStringLiteral("Decompression error"));
    return Out;
}

void DosDateTime(Word& Time, Word& Date) {
    const QDateTime Now = QDateTime::currentDateTime();
    const QDate D = Now.date();
    const QTime T = Now.time();
    Time = static_cast<Word>((T.hour() << 11) | (T.minute() << 5) | (T.second() / 2));
    Date = static_cast<Word>(((std::max(D.year(), 1980) - 1980) << 9) | (D.month() << 5) | D.day());
}

}  // namespace

TZipFile::TZipFile() = default;

TZipFile::~TZipFile() {
    // An archive still open for writing is abandoned, not committed: only Close finishes it.
    FSink.reset();
}

Cardinal TZipFile::Crc32(const Byte* Data, std::size_t Size) {
    uLong C = crc32(0L, Z_NULL, 0);
    while (Size > 0) {
        const uInt Chunk = static_cast<uInt>(std::min<std::size_t>(Size, 1u << 30));
        C = crc32(C, Data, Chunk);
        Data += Chunk;
        Size -= Chunk;
    }
    return static_cast<Cardinal>(C);
}

void TZipFile::Open(const String& ZipFileName, TZipMode OpenMode) {
    if (FMode != zmClosed) Close();
    if (OpenMode == zmWrite) {
        auto Sink = std::make_unique<TSink>();
        try {
            Sink->File = NewOwned<TSafeFileStream>(ZipFileName);
        } catch (const Exception& E) {
            throw EZipException(E.Message());
        }
        FSink = std::move(Sink);
        FFileName = ZipFileName;
        FEntries.clear();
        FOffset = 0;
        FMode = zmWrite;
        return;
    }
    if (OpenMode != zmRead) throw EZipException(QStringLiteral("Unsupported zip mode"));
    QFile F(ZipFileName);
    if (!F.open(QIODevice::ReadOnly))
        throw EZipException(QStringLiteral("Cannot open file \"%1\". %2").arg(ZipFileName, F.errorString()));
    const QByteArray All = F.readAll();
    Open(TZipBytes(All.begin(), All.end()));
    FFileName = ZipFileName;
}

void TZipFile::Open(TStream* Stream) {
    if (FMode != zmClosed) Close();
    if (!Stream) throw EZipException(QStringLiteral("No stream to write the archive into"));
    auto Sink = std::make_unique<TSink>();
    Sink->Stream = Stream;
    FSink = std::move(Sink);
    FFileName.clear();
    FEntries.clear();
    FOffset = 0;
    FMode = zmWrite;
}

void TZipFile::Open(const TZipBytes& Archive) {
    if (FMode != zmClosed) Close();
    const std::size_t N = Archive.size();
    // The end record is the last 22 bytes plus a comment of up to 65535 bytes.
    std::size_t End = std::string::npos;
    if (N >= 22) {
        const std::size_t Lowest = N > 22 + 65535 ? N - 22 - 65535 : 0;
        for (std::size_t At = N - 22 + 1; At-- > Lowest;) {
            if (Get32(Archive, At) == EndSignature && At + 22 + Get16(Archive, At + 20) == N) {
                End = At;
                break;
            }
        }
    }
    if (End == std::string::npos) throw EZipException(QStringLiteral("Invalid zip file"));
    const Word Count = Get16(Archive, End + 10);
    std::size_t At = Get32(Archive, End + 16);
    std::vector<TEntry> Entries;
    for (Word i = 0; i < Count; ++i) {
        if (Get32(Archive, At) != CentralSignature) throw EZipException(QStringLiteral("Invalid zip file"));
        TEntry E;
        E.Flags = Get16(Archive, At + 8);
        E.Method = static_cast<TZipCompression>(Get16(Archive, At + 10));
        E.Time = Get16(Archive, At + 12);
        E.Date = Get16(Archive, At + 14);
        E.Crc = Get32(Archive, At + 16);
        E.CompressedSize = Get32(Archive, At + 20);
        E.Size = Get32(Archive, At + 24);
        const Word NameLen = Get16(Archive, At + 28);
        const Word ExtraLen = Get16(Archive, At + 30);
        const Word CommentLen = Get16(Archive, At + 32);
        E.LocalOffset = Get32(Archive, At + 42);
        if (At + 46 + NameLen > N) throw EZipException(QStringLiteral("Invalid zip file"));
        E.NameUtf8 = QByteArray(reinterpret_cast<const char*>(Archive.data() + At + 46), NameLen);
        // Names without the language-encoding flag are taken as Latin-1 (their code page is unknown).
        E.Name = (E.Flags & Utf8Flag) ? String::fromUtf8(E.NameUtf8) : String::fromLatin1(E.NameUtf8);
        Entries.push_back(std::move(E));
        At += 46 + NameLen + ExtraLen + CommentLen;
    }
    FArchive = Archive;
    FEntries = std::move(Entries);
    FMode = zmRead;
}

void TZipFile::WriteBytes(const TZipBytes& Bytes) {
    if (Bytes.empty()) return;
    if (FSink->Stream) {
        try {
            for (std::size_t At = 0; At < Bytes.size(); At += 1u << 30)
                FSink->Stream->WriteBuffer(Bytes.data() + At,
                                           static_cast<Integer>(std::min<std::size_t>(Bytes.size() - At, 1u << 30)));
        } catch (const Exception& E) {
            throw EZipException(QStringLiteral("Cannot write the archive. %1").arg(E.Message()));
        }
        FOffset += Bytes.size();
        return;
    }
    try {
        FSink->File->WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
    } catch (const Exception& E) {
        throw EZipException(E.Message());
    }
    FOffset += Bytes.size();
}

void TZipFile::Add(const TZipBytes& Data, const String& ArchiveFileName, TZipCompression Compression) {
    if (FMode != zmWrite) throw EZipException(QStringLiteral("File must be open to add data"));
    if (ArchiveFileName.isEmpty()) throw EZipException(QStringLiteral("Empty file name"));
    if (IndexOf(ArchiveFileName) >= 0)
        throw EZipException(QStringLiteral("Duplicate file name \"%1\"").arg(ArchiveFileName));
    constexpr UInt64 Limit = std::numeric_limits<Cardinal>::max();
    if (Data.size() >= Limit || FOffset >= Limit || FEntries.size() >= 0xFFFF)
        throw EZipException(QStringLiteral("Archive too large"));
    TEntry E;
    E.Name = ArchiveFileName;
    E.NameUtf8 = ArchiveFileName.toUtf8();
    if (E.NameUtf8.size() > 0xFFFF) throw EZipException(QStringLiteral("File name too long"));
    E.Method = Compression;
    E.Flags = Utf8Flag;
    E.Crc = Crc32(Data.data(), Data.size());
    E.Size = Data.size();
    E.LocalOffset = FOffset;
    DosDateTime(E.Time, E.Date);
    TZipBytes Packed;
    const TZipBytes* Body = &Data;
    if (Compression == zcDeflate) {
        Packed = Deflate(Data);
        Body = &Packed;
    } else if (Compression != zcStored) {
        throw EZipException(QStringLiteral("Unsupported compression"));
    }
    E.CompressedSize = Body->size();

    TZipBytes H;
    Put32(H, LocalSignature);
    Put16(H, 20);  // version needed: 2.0 (deflate)
    Put16(H, E.Flags);
    Put16(H, static_cast<Word>(E.Method));
    Put16(H, E.Time);
    Put16(H, E.Date);
    Put32(H, E.Crc);
    Put32(H, static_cast<Cardinal>(E.CompressedSize));
    Put32(H, static_cast<Cardinal>(E.Size));
    Put16(H, static_cast<Word>(E.NameUtf8.size()));
    Put16(H, 0);
    PutBytes(H, E.NameUtf8);
    WriteBytes(H);
    WriteBytes(*Body);
    FEntries.push_back(std::move(E));
}

void TZipFile::Close() {
    if (FMode == zmWrite) {
        const UInt64 DirStart = FOffset;
        TZipBytes D;
        for (const TEntry& E : FEntries) {
            Put32(D, CentralSignature);
            Put16(D, 0x031E);  // made by: 3.0, Unix
            Put16(D, 20);
            Put16(D, E.Flags);
            Put16(D, static_cast<Word>(E.Method));
            Put16(D, E.Time);
            Put16(D, E.Date);
            Put32(D, E.Crc);
            Put32(D, static_cast<Cardinal>(E.CompressedSize));
            Put32(D, static_cast<Cardinal>(E.Size));
            Put16(D, static_cast<Word>(E.NameUtf8.size()));
            Put16(D, 0);  // extra
            Put16(D, 0);  // comment
            Put16(D, 0);  // disk
            Put16(D, 0);  // internal attributes
            Put32(D, 0100644u << 16);  // external attributes: a regular file, rw-r--r--
            Put32(D, static_cast<Cardinal>(E.LocalOffset));
            PutBytes(D, E.NameUtf8);
        }
        if (DirStart + D.size() >= std::numeric_limits<Cardinal>::max())
            throw EZipException(QStringLiteral("Archive too large"));
        Put32(D, EndSignature);
        Put16(D, 0);
        Put16(D, 0);
        Put16(D, static_cast<Word>(FEntries.size()));
        Put16(D, static_cast<Word>(FEntries.size()));
        Put32(D, static_cast<Cardinal>(D.size() - 12));  // size of the directory (before the end record)
        Put32(D, static_cast<Cardinal>(DirStart));
        Put16(D, 0);
        WriteBytes(D);
        std::unique_ptr<TSink> Sink = std::move(FSink);
        FMode = zmClosed;
        FEntries.clear();
        if (!Sink->Stream) {
            try {
                Sink->File->Commit();
            } catch (const Exception& E) {
                throw EZipException(E.Message());
            }
        }
        return;
    }
    FArchive.clear();
    FEntries.clear();
    FMode = zmClosed;
}

std::vector<String> TZipFile::FileNames() const {
    std::vector<String> R;
    for (const TEntry& E : FEntries) R.push_back(E.Name);
    return R;
}

int TZipFile::IndexOf(const String& FileName) const {
    for (std::size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Name == FileName) return static_cast<int>(i);
    return -1;
}

TZipCompression TZipFile::Compression(int Index) const {
    if (Index < 0 || Index >= FileCount()) throw EZipException(QStringLiteral("Index out of bounds"));
    return FEntries[static_cast<std::size_t>(Index)].Method;
}

TZipBytes TZipFile::Read(const String& FileName) const {
    const int I = IndexOf(FileName);
    if (I < 0) throw EZipException(QStringLiteral("File \"%1\" not found in the archive").arg(FileName));
    return Read(I);
}

TZipBytes TZipFile::Read(int Index) const {
    if (FMode != zmRead) throw EZipException(QStringLiteral("File must be open to read data"));
    if (Index < 0 || Index >= FileCount()) throw EZipException(QStringLiteral("Index out of bounds"));
    const TEntry& E = FEntries[static_cast<std::size_t>(Index)];
    const std::size_t At = static_cast<std::size_t>(E.LocalOffset);
    if (Get32(FArchive, At) != LocalSignature) throw EZipException(QStringLiteral("Invalid zip file"));
    const std::size_t DataAt = At + 30 + Get16(FArchive, At + 26) + Get16(FArchive, At + 28);
    if (DataAt + E.CompressedSize > FArchive.size()) throw EZipException(QStringLiteral("Invalid zip file"));
    const Byte* P = FArchive.data() + DataAt;
    TZipBytes Out;
    if (E.Method == zcStored) {
        if (E.CompressedSize != E.Size) throw EZipException(QStringLiteral("Invalid zip file"));
        Out.assign(P, P + E.Size);
    } else if (E.Method == zcDeflate) {
        Out = Inflate(P, static_cast<std::size_t>(E.CompressedSize), E.Size);
    } else {
        throw EZipException(QStringLiteral("Unsupported compression method %1 in \"%2\"").arg(int(E.Method)).arg(E.Name));
    }
    if (Crc32(Out.data(), Out.size()) != E.Crc)
        throw EZipException(QStringLiteral("CRC error in \"%1\"").arg(E.Name));
    return Out;
}
