#include "platform/office/zipfile.h"

#include "platform/rtl/streams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TZipBytes Bytes(const char* S) { return TZipBytes(S, S + std::strlen(S)); }

TZipBytes FileBytes(const String& Name) {
    QFile F(Name);
    F.open(QIODevice::ReadOnly);
    const QByteArray A = F.readAll();
    return TZipBytes(A.begin(), A.end());
}

TEST(ZipFile, Crc32KnownValue) {
    const TZipBytes B = Bytes("123456789");
    EXPECT_EQ(TZipFile::Crc32(B.data(), B.size()), 0xCBF43926u);
    EXPECT_EQ(TZipFile::Crc32(nullptr, 0), 0u);
}

TEST(ZipFile, RoundTripStoredAndDeflated) {
    QTemporaryDir Dir;
    const String Name = Dir.filePath(QStringLiteral("архив.zip"));
    TZipBytes Binary(70000);
    for (std::size_t i = 0; i < Binary.size(); ++i) Binary[i] = static_cast<Byte>((i * 7919) >> 3);
    TZipBytes Text;
    for (int i = 0; i < 200; ++i) {
        const TZipBytes Line = Bytes("Марка;Цена\n");
        Text.insert(Text.end(), Line.begin(), Line.end());
    }
    {
        TZipFile Zip;
        Zip.Open(Name, zmWrite);
        Zip.Add(Text, QStringLiteral("папка/текст.csv"), zcDeflate);
        Zip.Add(Binary, QStringLiteral("data.bin"), zcStored);
        Zip.Add(TZipBytes(), QStringLiteral("empty-deflated"), zcDeflate);
        Zip.Add(TZipBytes(), QStringLiteral("empty-stored"), zcStored);
        EXPECT_THROW(Zip.Add(Text, QStringLiteral("data.bin")), EZipException);  // duplicate name
        Zip.Close();
    }
    TZipFile Zip;
    Zip.Open(Name, zmRead);
    ASSERT_EQ(Zip.FileCount(), 4);
    EXPECT_EQ(Zip.FileNames()[0], QStringLiteral("папка/текст.csv"));
    EXPECT_EQ(Zip.Compression(0), zcDeflate);
    EXPECT_EQ(Zip.Compression(1), zcStored);
    EXPECT_EQ(Zip.Read(QStringLiteral("папка/текст.csv")), Text);
    EXPECT_EQ(Zip.Read(QStringLiteral("data.bin")), Binary);
    EXPECT_TRUE(Zip.Read(QStringLiteral("empty-deflated")).empty());
    EXPECT_TRUE(Zip.Read(QStringLiteral("empty-stored")).empty());
    EXPECT_EQ(Zip.IndexOf(QStringLiteral("missing")), -1);
    EXPECT_THROW(Zip.Read(QStringLiteral("missing")), EZipException);
    // The stored member takes its own size; the repetitive text is really compressed.
    const TZipBytes Raw = FileBytes(Name);
    EXPECT_GT(Raw.size(), Binary.size());
    EXPECT_LT(Raw.size(), Binary.size() + 600);
}

TEST(ZipFile, DamagedArchivesAreRefused) {
    QTemporaryDir Dir;
    const String Name = Dir.filePath(QStringLiteral("a.zip"));
    {
        TZipFile Zip;
        Zip.Open(Name, zmWrite);
        Zip.Add(Bytes("stored payload"), QStringLiteral("s"), zcStored);
        Zip.Add(Bytes("deflated payload deflated payload"), QStringLiteral("d"), zcDeflate);
        Zip.Close();
    }
    TZipBytes Raw = FileBytes(Name);
    // A flipped byte inside the stored member's data: the CRC no longer matches.
    TZipBytes Bad = Raw;
    Bad[30 + 1 + 3] ^= 0x20;
    TZipFile Zip;
    Zip.Open(Bad);
    EXPECT_THROW(Zip.Read(QStringLiteral("s")), EZipException);
    EXPECT_EQ(Zip.Read(QStringLiteral("d")), Bytes("deflated payload deflated payload"));

    // Not an archive at all, and an archive cut short.
    EXPECT_THROW(Zip.Open(Bytes("just some text, no end record")), EZipException);
    EXPECT_THROW(Zip.Open(TZipBytes(Raw.begin(), Raw.end() - 5)), EZipException);
    EXPECT_THROW(Zip.Open(Dir.filePath(QStringLiteral("nothing.zip")), zmRead), EZipException);
}

// The central directory entry of the first member (its signature "PK\1\2").
std::size_t CentralEntry(const TZipBytes& Raw) {
    for (std::size_t i = 0; i + 4 <= Raw.size(); ++i)
        if (Raw[i] == 'P' && Raw[i + 1] == 'K' && Raw[i + 2] == 1 && Raw[i + 3] == 2) return i;
    return 0;
}

void Put32At(TZipBytes& B, std::size_t At, Cardinal V) {
    for (int i = 0; i < 4; ++i) B[At + i] = static_cast<Byte>(V >> (8 * i));
}

// A damaged directory costs no more memory than the member's data: a size claim far beyond the
// data, a size that does not match, and method numbers this reader does not know.
TEST(ZipFile, DirectoryClaimsAreCheckedAgainstTheData) {
    QTemporaryDir Dir;
    const String Name = Dir.filePath(QStringLiteral("c.zip"));
    TZipBytes Payload;
    for (int i = 0; i < 5000; ++i) Payload.push_back(static_cast<Byte>('a' + i % 7));
    {
        TZipFile Zip;
        Zip.Open(Name, zmWrite);
        Zip.Add(Payload, QStringLiteral("d"), zcDeflate);
        Zip.Close();
    }
    const TZipBytes Raw = FileBytes(Name);
    const std::size_t Dir0 = CentralEntry(Raw);
    ASSERT_GT(Dir0, 0u);
    struct Case {
        Cardinal Size;
        const char* Why;
    } Cases[] = {{0xFFFFFFFFu, "4 GB claimed"}, {0x7FFFFFFFu, "2 GB claimed"}, {5001, "one byte more"},
                 {4999, "one byte less"}, {0, "nothing claimed"}};
    for (const Case& C : Cases) {
        TZipBytes Bad = Raw;
        Put32At(Bad, Dir0 + 24, C.Size);
        TZipFile Zip;
        Zip.Open(Bad);
        EXPECT_THROW(Zip.Read(0), EZipException) << C.Why;
    }
    for (Word Method : {Word(93), Word(95), Word(99), Word(1), Word(0xFFFF)}) {
        TZipBytes Bad = Raw;
        Bad[Dir0 + 10] = static_cast<Byte>(Method);
        Bad[Dir0 + 11] = static_cast<Byte>(Method >> 8);
        TZipFile Zip;
        Zip.Open(Bad);
        EXPECT_EQ(static_cast<int>(Zip.Compression(0)), Method);
        try {
            Zip.Read(0);
            ADD_FAILURE() << "method " << Method << " was read";
        } catch (const EZipException& E) {
            EXPECT_TRUE(E.Message().contains(QString::number(Method))) << E.Message().toStdString();
        }
    }
    // Deflated data cut short inside the archive.
    TZipBytes Cut = Raw;
    Put32At(Cut, Dir0 + 20, 3);
    TZipFile Zip;
    Zip.Open(Cut);
    EXPECT_THROW(Zip.Read(0), EZipException);
}

TEST(ZipFile, UnfinishedArchiveLeavesNoFile) {
    QTemporaryDir Dir;
    const String Name = Dir.filePath(QStringLiteral("half.zip"));
    {
        TZipFile Zip;
        Zip.Open(Name, zmWrite);
        Zip.Add(Bytes("x"), QStringLiteral("x"));
    }  // never closed
    EXPECT_FALSE(QFile::exists(Name));
}

TEST(ZipFile, WritesIntoACallersStreamAfterWhatItHolds) {
    TMemoryStream Stream;
    Stream.WriteBuffer("head", 4);
    {
        TZipFile Zip;
        Zip.Open(&Stream);
        Zip.Add(Bytes("Табель"), QStringLiteral("a.txt"));
        Zip.Close();
    }
    const Byte* P = static_cast<const Byte*>(Stream.Memory());
    ASSERT_GT(Stream.Size(), 4);
    EXPECT_EQ(TZipBytes(P, P + 4), Bytes("head"));
    TZipFile Zip;
    Zip.Open(TZipBytes(P + 4, P + Stream.Size()));
    EXPECT_EQ(Zip.Read(QStringLiteral("a.txt")), Bytes("Табель"));
}

}  // namespace
