// Zip archives: a writer (stored and deflated members, UTF-8 names) and a reader that extracts a
// member by name and checks its CRC-32. Enough for Office Open XML packages; no zip64, no
// encryption, no spanning.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

#include <QByteArray>

#include <memory>
#include <vector>

SDELKA_EXCEPTION(EZipException, Exception)

class TStream;

using TZipBytes = std::vector<Byte>;

enum TZipMode { zmClosed, zmRead, zmReadWrite, zmWrite };
// The method number as the archive stores it: members of other methods keep their number and are
// refused when read.
enum TZipCompression : Word { zcStored = 0, zcDeflate = 8 };

class TZipFile {
public:
    TZipFile();
    ~TZipFile();
    TZipFile(const TZipFile&) = delete;
    TZipFile& operator=(const TZipFile&) = delete;

    // zmWrite creates (or truncates) the file; zmRead reads its central directory. zmReadWrite is
    // not supported. EZipException when the file cannot be made or is not a zip archive; an archive
    // already open is closed first.
    void Open(const String& ZipFileName, TZipMode OpenMode);
    // Reads an archive held in memory.
    void Open(const TZipBytes& Archive);
    // Writes a new archive into Stream from its position (the stream stays the caller's); Close
    // finishes it. A write error of the stream raises EZipException.
    void Open(TStream* Stream);
    // Writing: finishes the archive (central directory and end record). Reading: forgets it.
    void Close();
    TZipMode Mode() const { return FMode; }

    // Appends a member (write mode only). The name is stored in UTF-8 with the language-encoding
    // flag; a duplicate name raises EZipException.
    void Add(const TZipBytes& Data, const String& ArchiveFileName, TZipCompression Compression = zcDeflate);

    int FileCount() const { return static_cast<int>(FEntries.size()); }
    std::vector<String> FileNames() const;
    // -1 when there is no such member.
    int IndexOf(const String& FileName) const;
    // Extracts a member (read mode): EZipException when it is missing, uses an unknown method, or its
    // size or CRC-32 does not match the directory. Memory grows with the data actually inflated,
    // never beyond the size the directory claims.
    TZipBytes Read(const String& FileName) const;
    TZipBytes Read(int Index) const;
    TZipCompression Compression(int Index) const;

    // CRC-32 as zip stores it.
    static Cardinal Crc32(const Byte* Data, std::size_t Size);

private:
    struct TEntry {
        String Name;
        QByteArray NameUtf8;
        TZipCompression Method = zcStored;
        Cardinal Crc = 0;
        UInt64 CompressedSize = 0;
        UInt64 Size = 0;
        UInt64 LocalOffset = 0;
        Word Time = 0;
        Word Date = 0;
        Word Flags = 0;
    };
    void WriteBytes(const TZipBytes& Bytes);
    std::vector<TEntry> FEntries;
    TZipMode FMode = zmClosed;
    String FFileName;
    TZipBytes FArchive;          // read mode: the whole archive
    struct TSink;
    std::unique_ptr<TSink> FSink;  // write mode: the file being written
    UInt64 FOffset = 0;
};
