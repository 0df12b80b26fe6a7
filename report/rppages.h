// Stored pages of a generated report. Every page is kept as its enhanced metafile's serialized
// bytes in one growing byte stream (TRpStream) laid out exactly as a page file: a 128-byte header,
// then one record per page, chained forwards and backwards by stream offsets:
//     int32 page number, int32 offset of the next record (just past this one), page data,
//     int32 offset of this record's own start.
// Page data is the metafile's bytes (optionally followed by a hyperlink section), or for
// compressed pages the int32 length of those bytes followed by their splay-tree code.
// The last four bytes of the stream give the start of the last record.
//
// A report generated in a background thread stores pages while the preview reads them in the UI
// thread: the page list's lock serializes whole stores and fetches, the stream's lock every single
// read, write and seek. When both are held, the list's lock is always taken first.
#pragma once

#include "platform/gui/types.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/threads.h"
#include "report/rperror.h"

#include <QByteArray>
#include <array>
#include <optional>

class TRpCompress;

constexpr Integer RpPageHeaderSize = 128;
using TRpPageHeader = std::array<Byte, RpPageHeaderSize>;

// The page stream: in memory until it grows past its memory limit, then in a temporary file
// ("RPP…" in the system's temporary folder) that it deletes when destroyed.
class TRpStream : public TStream {
    SDELKA_CLASS(TRpStream, TStream)
public:
    explicit TRpStream(Integer AMemoryLimit);
    ~TRpStream() override;
    // Reads a whole page file into memory (the memory limit becomes its size + 1000); position 0.
    // The platform's file exceptions when it cannot be opened or read.
    static TRpStream* CreateFromFile(const String& FileName);

    void LockStream() { FLock.Enter(); }
    void UnlockStream() { FLock.Leave(); }

    Integer Read(void* Buffer, Integer Count) override;
    // Moves the content to a temporary file when the memory size grows beyond the limit; a move
    // that fails raises the platform's stream exception and leaves the content in memory.
    Integer Write(const void* Buffer, Integer Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override;
    void SetSize(Int64 NewSize) override;

    // Copies the whole content to Target in blocks of 10240 bytes; the position is left at the end.
    void SaveToStream(TStream* Target);

    // The size of the page-file header at the stream's start, found by where the first page's
    // metafile signature stands (128, or an older 124, 120 or 96); 128 when no signature is
    // found, and below 0 for a stream that holds the signature too early to be a page file. The
    // position is kept.
    Integer GetHeaderSize();
    // Moves the fields of a header read in the 124-byte layout to their 128-byte places.
    static void ConvertHeader(TRpPageHeader& Header);

    bool InMemory() const { return FInMemory; }
    Integer MemoryLimit() const { return FMemoryLimit; }
    // The temporary file's name once the content has moved to disk ("" before).
    String TempFileName() const { return FFilename; }

private:
    friend class TRpPageList;
    void MoveToDisk();

    TCriticalSection FLock;
    TMemoryStream* MemoryStream = nullptr;
    String FFilename;
    TFileStream* FileStream = nullptr;
    bool FInMemory = true;
    Integer FMemoryLimit;
};

// A hyperlink area of a page.
class THyperlink : public TObject {
    SDELKA_CLASS(THyperlink, TObject)
public:
    THyperlink(const TRect& AArea, const String& ALink) : Area(AArea), Link(ALink) {}
    TRect Area;
    String Link;
};

using THyperlinkList = TListT<THyperlink, TObjectList>;

// The stored pages of one document over a page stream. A page is the serialized enhanced
// metafile: it must begin with the metafile header record whose byte count is the block's length.
class TRpPageList : public TObject {
    SDELKA_CLASS(TRpPageList, TObject)
public:
    TRpPageList() = default;
    // Frees the page stream.
    ~TRpPageList() override;

    // Forgets the pages (count 0); the stream stays.
    void Clear() { FPageCount = 0; }
    void LockList() { FLock.Enter(); }
    void UnlockList() { FLock.Leave(); }

    // Appends one page; the bytes stay the caller's. ERpError when there is no stream or the bytes
    // are not a metafile; a failed write leaves the stored pages as they were.
    void AddPage(const QByteArray& Metafile);
    // As AddPage; uncompressed pages also carry the hyperlink section (count 0 without a list).
    void AddPageEx(const QByteArray& Metafile, const THyperlinkList* Hyperlinks);
    // Page PageNumber (1-based), or nothing when it is not stored. ERpError for a broken record.
    std::optional<QByteArray> GetPage(Integer PageNumber);
    // Page PageNumber and, for an uncompressed page stored with hyperlinks, a new list of them
    // (nullptr when none); both are the caller's. False (and nothing) when the page is not stored.
    bool GetPageEx(Integer PageNumber, QByteArray& Metafile, THyperlinkList*& Hyperlinks);
    // Writes the header with the final page count.
    void Finish();

    // Loads a page file: the list's old stream is replaced by the file's content. A file that is
    // not a sound page file (header, every record's offsets and page number, the page count
    // against the records present) raises ERpError and leaves the list as it was.
    void LoadFromFile(const String& FileName);
    void LoadFromStream(TStream* Source);
    void SaveToFile(const String& FileName);
    void SaveToStream(TStream* Target);

    // Outline entries are accepted and not kept.
    void AddOutline(Integer Level, const String& Caption, Integer PageNumber, const TRect& Target) {
        (void)Level, (void)Caption, (void)PageNumber, (void)Target;
    }

    bool Compression() const { return FCompression; }
    void SetCompression(bool Value) { FCompression = Value; }
    Integer PageCount() const { return FPageCount; }
    TRpStream* Stream() const { return FStream; }
    // Attaches a fresh page stream without freeing the previous one (the page printer frees the
    // stream it made and then clears the reference).
    void SetStream(TRpStream* Value);

protected:
    void WriteFileHeader();
    void ReadFileHeader();
    void SeekToFirstPage();
    void SeekToLastPage();
    void SeekToPage(Integer PageNumber);

private:
    void StorePage(const QByteArray& Metafile, bool WithLinks, const THyperlinkList* Hyperlinks);
    bool FetchPage(Integer PageNumber, QByteArray& Metafile, bool WithLinks, THyperlinkList** Hyperlinks);
    Integer ReadInt();
    void WriteInt(Integer Value);
    Integer CountRecords(Integer Limit);
    void CheckRecords();
    void AdoptLoaded(TRpStream* Stream, bool FetchLast);

    TCriticalSection FLock;
    TRpCompress* aCompressor = nullptr;
    bool FCompression = false;
    Integer FPageCount = 0;
    TRpStream* FStream = nullptr;
    Integer FHeaderSize = RpPageHeaderSize;
};
