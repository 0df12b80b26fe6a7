#include "report/rppages.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "report/rpcompress.h"

#include <cstring>

namespace {

// Holds a critical section for one scope.
class TLockGuard {
public:
    explicit TLockGuard(TCriticalSection& ALock) : FLock(ALock) { FLock.Enter(); }
    ~TLockGuard() { FLock.Leave(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TCriticalSection& FLock;
};

constexpr Integer CopyBlockSize = 10240;
constexpr Int64 MaxPageFileSize = 0x7FFFFFFF - 1000;
constexpr Int64 HeaderScanLast = 1001;  // the last offset the header detection tests
constexpr Integer SignatureOffset = 49;  // "EMF" of the first metafile, after the header

// The enhanced-metafile header record: type 1, " EMF" at 40, the whole metafile's byte count at 48.
constexpr Integer EmfHeaderMinSize = 88;
constexpr Integer EmfHeadRead = 52;

Integer GetLE32(const Byte* p) {
    return static_cast<Integer>(static_cast<Cardinal>(p[0]) | (static_cast<Cardinal>(p[1]) << 8) |
                                (static_cast<Cardinal>(p[2]) << 16) | (static_cast<Cardinal>(p[3]) << 24));
}

void PutLE32(Byte* p, Integer v) {
    const Cardinal u = static_cast<Cardinal>(v);
    p[0] = static_cast<Byte>(u);
    p[1] = static_cast<Byte>(u >> 8);
    p[2] = static_cast<Byte>(u >> 16);
    p[3] = static_cast<Byte>(u >> 24);
}

// The byte count that an enhanced-metafile header claims, or -1 when Head is not one.
Integer EmfByteCount(const Byte* Head) {
    if (GetLE32(Head) != 1) return -1;
    if (std::memcmp(Head + 40, " EMF", 4) != 0) return -1;
    const Integer n = GetLE32(Head + 48);
    return n >= EmfHeaderMinSize ? n : -1;
}

[[noreturn]] void BrokenRecord(Integer PageNumber) {
    throw ERpError(QStringLiteral("Page %d of the page stream is damaged"), {PageNumber});
}

}  // namespace

// ---- TRpStream ---------------------------------------------------------------------------------

TRpStream::TRpStream(Integer AMemoryLimit) : FMemoryLimit(AMemoryLimit) {
    MemoryStream = New<TMemoryStream>();
}

TRpStream::~TRpStream() {
    {
        TLockGuard guard(FLock);
        if (FInMemory) {
            FreeAndNil(MemoryStream);
        } else {
            FreeAndNil(FileStream);
            if (!FFilename.isEmpty()) DeleteFile(FFilename);
        }
    }
    FreeAndNil(MemoryStream);
    FreeAndNil(FileStream);
    if (!FFilename.isEmpty() && FileExists(FFilename)) DeleteFile(FFilename);
}

TRpStream* TRpStream::CreateFromFile(const String& FileName) {
    TFileStream* file = New<TFileStream>(FileName, static_cast<Word>(fmOpenRead | fmShareDenyNone));
    TRpStream* result = nullptr;
    try {
        const Int64 size = file->Size();
        // Record offsets are 32-bit: a larger file cannot be a page file.
        if (size > MaxPageFileSize) throw ERpError(QStringLiteral("Not a report page file"));
        result = New<TRpStream>(static_cast<Integer>(size + 1000));
        result->MemoryStream->LoadFromStream(file);
        result->MemoryStream->SetPosition(0);
    } catch (...) {
        file->Free();
        if (result) result->Free();
        throw;
    }
    file->Free();
    return result;
}

Integer TRpStream::Read(void* Buffer, Integer Count) {
    TLockGuard guard(FLock);
    return FInMemory ? MemoryStream->Read(Buffer, Count) : FileStream->Read(Buffer, Count);
}

Integer TRpStream::Write(const void* Buffer, Integer Count) {
    TLockGuard guard(FLock);
    if (!FInMemory) return FileStream->Write(Buffer, Count);
    const Integer written = MemoryStream->Write(Buffer, Count);
    if (MemoryStream->Size() > FMemoryLimit) MoveToDisk();
    return written;
}

void TRpStream::MoveToDisk() {
    const String name = GetTempFileName(QStringLiteral("RPP"));
    TFileStream* file = nullptr;
    try {
        file = New<TFileStream>(name, fmCreate);
        MemoryStream->SaveToStream(file);
        file->SetPosition(MemoryStream->Position());
    } catch (...) {
        if (file) file->Free();
        DeleteFile(name);
        throw;
    }
    FileStream = file;
    FFilename = name;
    FreeAndNil(MemoryStream);
    FInMemory = false;
}

Int64 TRpStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    TLockGuard guard(FLock);
    return FInMemory ? MemoryStream->Seek(Offset, Origin) : FileStream->Seek(Offset, Origin);
}

Int64 TRpStream::Size() {
    TLockGuard guard(FLock);
    return FInMemory ? MemoryStream->Size() : FileStream->Size();
}

void TRpStream::SetSize(Int64 NewSize) {
    TLockGuard guard(FLock);
    if (FInMemory)
        MemoryStream->SetSize(NewSize);
    else
        FileStream->SetSize(NewSize);
}

void TRpStream::SaveToStream(TStream* Target) {
    TLockGuard guard(FLock);
    Seek(0, soBeginning);
    Byte buffer[CopyBlockSize];
    for (;;) {
        const Integer n = Read(buffer, CopyBlockSize);
        if (n == 0) break;
        Target->WriteBuffer(buffer, n);
    }
}

Integer TRpStream::GetHeaderSize() {
    TLockGuard guard(FLock);
    const Int64 saved = Seek(0, soCurrent);
    const Int64 size = Size();
    // Everything the detection may look at: the scan reads three bytes from each offset up to
    // HeaderScanLast, and the known layouts stand below that.
    const Int64 span = std::min<Int64>(size, HeaderScanLast + 3);
    QByteArray head(static_cast<qsizetype>(span), '\0');
    Seek(0, soBeginning);
    if (span > 0) ReadBuffer(head.data(), static_cast<Integer>(span));
    Seek(saved, soBeginning);

    auto signatureAt = [&](Int64 i) { return i + 3 <= span && std::memcmp(head.constData() + i, "EMF", 3) == 0; };
    for (const Integer known : {124, 120, 96, 128}) {
        if (signatureAt(known + SignatureOffset)) return known;
    }
    // Compressed pages show no plain signature; the letters may still occur by chance among the
    // coded bytes, so a header that says it is compressed is taken by its own layout.
    auto byteAt = [&](Int64 i) { return i < span ? static_cast<Byte>(head[static_cast<qsizetype>(i)]) : Byte(0); };
    if (byteAt(0) == 3 && byteAt(1) == 0 && byteAt(2) == 60 && byteAt(3) == 0) {
        if (byteAt(25) == 1) return 128;
        if (byteAt(21) == 1 && byteAt(22) == 'H' && byteAt(25) == 'H') return 124;
    }
    for (Int64 i = 0; i <= HeaderScanLast && i + 3 <= span; ++i) {
        if (signatureAt(i)) return static_cast<Integer>(i - SignatureOffset);
    }
    return RpPageHeaderSize;
}

void TRpStream::ConvertHeader(TRpPageHeader& Header) {
    // 124-byte layout: words at 0 and 2, byte at 4, page count at 8, date at 12, byte at 20,
    // compression flag at 21, filler at 22..121.
    const TRpPageHeader old = Header;
    Header.fill(0);
    std::memcpy(&Header[0], &old[0], 5);
    std::memcpy(&Header[8], &old[8], 4);
    std::memcpy(&Header[16], &old[12], 8);
    Header[24] = old[20];
    Header[25] = old[21];
    std::memcpy(&Header[26], &old[22], 100);
}

// ---- TRpPageList -------------------------------------------------------------------------------

TRpPageList::~TRpPageList() { FreeAndNil(FStream); }

void TRpPageList::SetStream(TRpStream* Value) {
    TLockGuard guard(FLock);
    FStream = Value;
    FHeaderSize = RpPageHeaderSize;
}

Integer TRpPageList::ReadInt() {
    Byte b[4];
    FStream->ReadBuffer(b, 4);
    return GetLE32(b);
}

void TRpPageList::WriteInt(Integer Value) {
    Byte b[4];
    PutLE32(b, Value);
    FStream->WriteBuffer(b, 4);
}

void TRpPageList::WriteFileHeader() {
    TRpPageHeader header{};
    header[0] = 3;
    header[2] = 60;
    PutLE32(&header[8], FPageCount);
    const double now = Now();
    std::uint64_t bits;
    std::memcpy(&bits, &now, 8);
    for (int i = 0; i < 8; ++i) header[16 + i] = static_cast<Byte>(bits >> (8 * i));
    header[25] = FCompression ? 1 : 0;
    std::memset(&header[26], 'H', 100);
    FStream->Seek(0, soBeginning);
    FStream->WriteBuffer(header.data(), RpPageHeaderSize);
    FHeaderSize = RpPageHeaderSize;
}

void TRpPageList::AddPage(const QByteArray& Metafile) { StorePage(Metafile, false, nullptr); }

void TRpPageList::AddPageEx(const QByteArray& Metafile, const THyperlinkList* Hyperlinks) {
    StorePage(Metafile, true, Hyperlinks);
}

void TRpPageList::StorePage(const QByteArray& Metafile, bool WithLinks, const THyperlinkList* Hyperlinks) {
    if (Metafile.size() < EmfHeaderMinSize ||
        EmfByteCount(reinterpret_cast<const Byte*>(Metafile.constData())) != Metafile.size())
        throw ERpError(QStringLiteral("The page is not an enhanced metafile"));
    TLockGuard guard(FLock);
    if (!FStream) throw ERpError(QStringLiteral("The page list has no page stream"));

    const Int64 oldSize = FStream->Size();
    ++FPageCount;
    try {
        if (FPageCount == 1) WriteFileHeader();
        // Record head.
        const Int64 start = FStream->Seek(0, soEnd);
        WriteInt(FPageCount);
        const Int64 nextField = FStream->Seek(0, soCurrent);
        WriteInt(static_cast<Integer>(nextField));
        const Byte* bytes = reinterpret_cast<const Byte*>(Metafile.constData());
        if (FCompression) {
            aCompressor = New<TRpCompress>(FStream, true);
            try {
                WriteInt(static_cast<Integer>(Metafile.size()));
                for (qsizetype i = 0; i < Metafile.size(); ++i) aCompressor->Compress(bytes[i]);
            } catch (...) {
                FreeAndNil(aCompressor);
                throw;
            }
            FreeAndNil(aCompressor);  // writes the last partial byte
        } else {
            FStream->WriteBuffer(bytes, static_cast<Integer>(Metafile.size()));
            if (WithLinks) {
                const int count = Hyperlinks ? Hyperlinks->Count() : 0;
                WriteInt(count);
                for (int i = 0; i < count; ++i) {
                    const THyperlink* link = Hyperlinks->Items(i);
                    WriteInt(link->Area.Left);
                    WriteInt(link->Area.Top);
                    WriteInt(link->Area.Right);
                    WriteInt(link->Area.Bottom);
                    WriteInt(static_cast<Integer>(link->Link.size()));
                    QByteArray text(link->Link.size() * 2, '\0');
                    for (qsizetype c = 0; c < link->Link.size(); ++c) {
                        const char16_t u = link->Link.at(c).unicode();
                        text[2 * c] = static_cast<char>(u & 0xFF);
                        text[2 * c + 1] = static_cast<char>(u >> 8);
                    }
                    if (!text.isEmpty()) FStream->WriteBuffer(text.constData(), static_cast<Integer>(text.size()));
                }
            }
        }
        // Record tail, then the forward link in the head.
        WriteInt(static_cast<Integer>(start));
        const Int64 end = FStream->Seek(0, soCurrent);
        FStream->Seek(nextField, soBeginning);
        WriteInt(static_cast<Integer>(end));
        FStream->Seek(end, soBeginning);
    } catch (...) {
        // Leave the stored pages intact: drop the partial record and restore the count.
        --FPageCount;
        try {
            FStream->SetSize(oldSize);
            FStream->Seek(0, soEnd);
        } catch (...) {
        }
        throw;
    }
}

void TRpPageList::SeekToFirstPage() { FStream->Seek(FHeaderSize, soBeginning); }

void TRpPageList::SeekToLastPage() {
    const Int64 size = FStream->Size();
    if (size < FHeaderSize + 12) BrokenRecord(FPageCount);
    FStream->Seek(-4, soEnd);
    const Integer last = ReadInt();
    if (last < FHeaderSize || last > size - 12) BrokenRecord(FPageCount);
    FStream->Seek(last, soBeginning);
}

void TRpPageList::SeekToPage(Integer PageNumber) {
    if (PageNumber == 1) {
        SeekToFirstPage();
        return;
    }
    const Int64 size = FStream->Size();
    Int64 pos = FStream->Seek(0, soCurrent);
    if (pos >= size) {
        SeekToLastPage();
        pos = FStream->Seek(0, soCurrent);
    }
    // The walk keeps the direction it took at the first record: a record chain that skips the
    // wanted number is passed, not circled for ever. Every step checks that the chain moves the
    // right way and stays inside the records, and a record takes at least 12 bytes, which bounds
    // the number of steps.
    const Int64 maxSteps = (size - FHeaderSize) / 12 + 1;
    int direction = 0;
    for (Int64 step = 0;; ++step) {
        if (step > maxSteps || pos < FHeaderSize || pos > size - 12) BrokenRecord(PageNumber);
        const Integer k = ReadInt();
        if (k == PageNumber) break;
        const int want = k < PageNumber ? 1 : -1;
        if (direction == 0) direction = want;
        if (want != direction) BrokenRecord(PageNumber);
        if (k < PageNumber) {
            const Integer next = ReadInt();
            if (next <= pos + 8 || next > size - 12) BrokenRecord(PageNumber);
            pos = next;
        } else {
            if (pos - 4 < FHeaderSize) BrokenRecord(PageNumber);
            FStream->Seek(pos - 4, soBeginning);
            const Integer prev = ReadInt();
            if (prev < FHeaderSize || prev >= pos) BrokenRecord(PageNumber);
            pos = prev;
        }
        FStream->Seek(pos, soBeginning);
    }
    FStream->Seek(pos, soBeginning);
}

std::optional<QByteArray> TRpPageList::GetPage(Integer PageNumber) {
    QByteArray metafile;
    if (!FetchPage(PageNumber, metafile, false, nullptr)) return std::nullopt;
    return metafile;
}

bool TRpPageList::GetPageEx(Integer PageNumber, QByteArray& Metafile, THyperlinkList*& Hyperlinks) {
    Metafile.clear();
    Hyperlinks = nullptr;
    return FetchPage(PageNumber, Metafile, true, &Hyperlinks);
}

bool TRpPageList::FetchPage(Integer PageNumber, QByteArray& Metafile, bool WithLinks, THyperlinkList** Hyperlinks) {
    TLockGuard guard(FLock);
    if (PageNumber < 1 || PageNumber > FPageCount || !FStream) return false;
    SeekToPage(PageNumber);
    const Int64 size = FStream->Size();
    const Int64 start = FStream->Seek(0, soCurrent);
    if (start < FHeaderSize || start > size - 12) BrokenRecord(PageNumber);
    if (ReadInt() != PageNumber) BrokenRecord(PageNumber);
    const Integer next = ReadInt();
    if (next <= start + 8 || next > size) BrokenRecord(PageNumber);
    // The record's data ends where its trailing start offset stands.
    const Int64 dataEnd = next - 4;

    QByteArray data;
    if (FCompression) {
        const Integer length = ReadInt();
        // A symbol costs at least one bit, so the coded bytes bound the length.
        if (length < 0 || length / 8 > dataEnd - FStream->Seek(0, soCurrent)) BrokenRecord(PageNumber);
        data.resize(length);
        aCompressor = New<TRpCompress>(FStream, false);
        bool ended = false;
        for (Integer i = 0; i < length && !ended; ++i) {
            Byte b = 0;
            aCompressor->Expand(b);
            data[i] = static_cast<char>(b);
            ended = aCompressor->EndReached();
        }
        FreeAndNil(aCompressor);
        if (ended || FStream->Seek(0, soCurrent) > dataEnd) BrokenRecord(PageNumber);
    } else {
        const Int64 at = FStream->Seek(0, soCurrent);
        if (dataEnd - at < EmfHeadRead) BrokenRecord(PageNumber);
        data.resize(EmfHeadRead);
        FStream->ReadBuffer(data.data(), EmfHeadRead);
        const Integer bytes = EmfByteCount(reinterpret_cast<const Byte*>(data.constData()));
        if (bytes < 0 || bytes > dataEnd - at) BrokenRecord(PageNumber);
        data.resize(bytes);
        FStream->ReadBuffer(data.data() + EmfHeadRead, bytes - EmfHeadRead);
    }
    if (data.size() < EmfHeaderMinSize || EmfByteCount(reinterpret_cast<const Byte*>(data.constData())) != data.size())
        BrokenRecord(PageNumber);

    // A hyperlink section stands only in uncompressed records that were stored with one; the
    // record's own end tells whether anything follows the metafile.
    TOwned<THyperlinkList> links;
    if (WithLinks && !FCompression && FStream->Seek(0, soCurrent) < dataEnd) {
        const Integer count = ReadInt();
        if (count > 0) {
            links = NewOwned<THyperlinkList>();
            THyperlinkList* list = links.get();
            {
                for (Integer i = 0; i < count; ++i) {
                    if (dataEnd - FStream->Seek(0, soCurrent) < 20) BrokenRecord(PageNumber);
                    TRect area;
                    area.Left = ReadInt();
                    area.Top = ReadInt();
                    area.Right = ReadInt();
                    area.Bottom = ReadInt();
                    const Integer chars = ReadInt();
                    if (chars < 0 || chars > (dataEnd - FStream->Seek(0, soCurrent)) / 2) BrokenRecord(PageNumber);
                    QByteArray text(static_cast<qsizetype>(chars) * 2, '\0');
                    if (chars > 0) FStream->ReadBuffer(text.data(), chars * 2);
                    String link(chars, QChar());
                    for (Integer c = 0; c < chars; ++c)
                        link[c] = QChar(static_cast<char16_t>(static_cast<Byte>(text[2 * c]) |
                                                              (static_cast<Byte>(text[2 * c + 1]) << 8)));
                    list->Add(New<THyperlink>(area, link));
                }
            }
        }
    }
    FStream->Seek(dataEnd, soBeginning);
    if (ReadInt() != start) BrokenRecord(PageNumber);
    Metafile = std::move(data);
    if (Hyperlinks) *Hyperlinks = links.release();
    return true;
}

void TRpPageList::Finish() {
    TLockGuard guard(FLock);
    if (!FStream) throw ERpError(QStringLiteral("The page list has no page stream"));
    WriteFileHeader();
}

Integer TRpPageList::CountRecords(Integer Limit) {
    // Walks the chain from the first record: each record starts where the previous one ended,
    // holds its page number in storing order, links forward inside the stream and ends with its
    // own start offset.
    const Int64 size = FStream->Size();
    Int64 pos = FHeaderSize;
    Integer count = 0;
    while (pos < size && (Limit < 0 || count < Limit)) {
        if (pos > size - 12) BrokenRecord(count + 1);
        FStream->Seek(pos, soBeginning);
        if (ReadInt() != count + 1) BrokenRecord(count + 1);
        const Integer next = ReadInt();
        if (next < pos + 12 || next > size) BrokenRecord(count + 1);
        FStream->Seek(next - 4, soBeginning);
        if (ReadInt() != pos) BrokenRecord(count + 1);
        pos = next;
        ++count;
    }
    return count;
}

void TRpPageList::CheckRecords() {
    // A header that claims more pages than the stream holds describes a damaged file.
    if (FPageCount < 0) throw ERpError(QStringLiteral("Not a report page file"));
    const Integer found = CountRecords(FPageCount);
    if (found < FPageCount)
        throw ERpError(QStringLiteral("The page file is damaged: %1 of %2 pages found").arg(found).arg(FPageCount));
    FStream->Seek(FHeaderSize, soBeginning);
}

void TRpPageList::ReadFileHeader() {
    FStream->Seek(0, soBeginning);
    const Integer h = FStream->GetHeaderSize();
    if (h < 0 || FStream->Size() < h) throw ERpError(QStringLiteral("Not a report page file"));
    TRpPageHeader header{};
    FStream->ReadBuffer(header.data(), std::min(h, RpPageHeaderSize));
    FHeaderSize = h;
    if (h == 124) TRpStream::ConvertHeader(header);
    if (h == 128 || h == 124)
        FPageCount = GetLE32(&header[8]);
    else if (h == 120)
        FPageCount = GetLE32(&header[5]);
    else
        FPageCount = CountRecords(-1);  // no page count in this header: count the records
    FCompression = header[25] == 1;
    FStream->Seek(h, soBeginning);
}

void TRpPageList::AdoptLoaded(TRpStream* Stream, bool FetchLast) {
    // The loaded stream replaces the old one only when it proves to be a sound page file; a
    // refused file leaves the pages that were there.
    TRpStream* oldStream = FStream;
    const Integer oldCount = FPageCount;
    const bool oldCompression = FCompression;
    const Integer oldHeaderSize = FHeaderSize;
    FStream = Stream;
    try {
        ReadFileHeader();
        CheckRecords();
        if (FetchLast && FPageCount > 0) (void)GetPage(FPageCount);
    } catch (...) {
        FStream = oldStream;
        FPageCount = oldCount;
        FCompression = oldCompression;
        FHeaderSize = oldHeaderSize;
        Stream->Free();
        throw;
    }
    if (oldStream != Stream) FreeAndNil(oldStream);
}

void TRpPageList::LoadFromFile(const String& FileName) {
    TLockGuard guard(FLock);
    AdoptLoaded(TRpStream::CreateFromFile(FileName), true);
}

void TRpPageList::LoadFromStream(TStream* Source) {
    TLockGuard guard(FLock);
    if (Source->Size() > MaxPageFileSize) throw ERpError(QStringLiteral("Not a report page file"));
    TRpStream* stream = New<TRpStream>(static_cast<Integer>(Source->Size()));
    try {
        Source->SetPosition(0);
        stream->MemoryStream->LoadFromStream(Source);
        stream->MemoryStream->SetPosition(0);
    } catch (...) {
        stream->Free();
        throw;
    }
    AdoptLoaded(stream, false);
}

void TRpPageList::SaveToFile(const String& FileName) {
    TLockGuard guard(FLock);
    TSafeFileStream file(FileName);
    if (FStream) FStream->SaveToStream(&file);
    file.Commit();
}

void TRpPageList::SaveToStream(TStream* Target) {
    TLockGuard guard(FLock);
    if (FStream) FStream->SaveToStream(Target);
}
