#include "platform/office/zipfile.h"

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

}  // namespace
