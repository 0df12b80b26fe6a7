#include "platform/rtl/streams.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/lists.h"
#include "support/safefile_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

TOwned<TMemoryStream> MemoryWith(const char* text) {
    auto s = NewOwned<TMemoryStream>();
    s->WriteBuffer(text, static_cast<Integer>(std::strlen(text)));
    s->SetPosition(0);
    return s;
}

String Contents(TMemoryStream& s) {
    return QString::fromLatin1(static_cast<const char*>(s.Memory()), static_cast<qsizetype>(s.Size()));
}

// A stream that accepts at most Limit bytes in all, as a full disk would.
class TLimitedStream : public TMemoryStream {
public:
    explicit TLimitedStream(Integer ALimit) : Limit(ALimit) {}
    Integer Write(const void* Buffer, Integer Count) override {
        Integer n = std::min<Integer>(Count, Limit - static_cast<Integer>(Size()));
        return TMemoryStream::Write(Buffer, std::max<Integer>(n, 0));
    }
    Integer Limit;
};

}  // namespace

TEST(StreamTest, ShortTransfersRaiseReadAndWriteErrors) {
    auto s = MemoryWith("abc");
    char buf[8] = {};
    EXPECT_EQ(s->Read(buf, 8), 3);  // Read itself just reports what it got
    s->SetPosition(1);
    try {
        s->ReadBuffer(buf, 3);
        FAIL() << "no EReadError";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream read error"));
    }

    TLimitedStream limited(4);
    limited.WriteBuffer("abcd", 4);
    try {
        limited.WriteBuffer("e", 1);
        FAIL() << "no EWriteError";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream write error"));
    }
    // Zero-byte transfers never fail, even at the end.
    EXPECT_NO_THROW(s->ReadBuffer(buf, 0));
    EXPECT_NO_THROW(limited.WriteBuffer("", 0));
}

TEST(StreamTest, CopyFromZeroCopiesTheWholeSourceFromItsStart) {
    auto src = MemoryWith("0123456789");
    src->SetPosition(7);
    TMemoryStream dst;
    dst.WriteBuffer(">", 1);
    EXPECT_EQ(dst.CopyFrom(src.get(), 0), 10);
    EXPECT_EQ(Contents(dst), QStringLiteral(">0123456789"));
    EXPECT_EQ(src->Position(), 10);

    // A count copies from the source's position; more than it has raises EReadError.
    src->SetPosition(2);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(src.get(), 3), 3);
    EXPECT_EQ(Contents(part), QStringLiteral("234"));
    EXPECT_THROW(part.CopyFrom(src.get(), 100), EReadError);
}

TEST(StreamTest, CopyFromLargerThanOneBufferKeepsEveryByte) {
    TMemoryStream src;
    std::vector<Byte> data(200000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<Byte>(i * 7 + i / 256);
    src.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
    TMemoryStream dst;
    dst.CopyFrom(&src, 0);
    ASSERT_EQ(dst.Size(), static_cast<Int64>(data.size()));
    EXPECT_EQ(std::memcmp(dst.Memory(), data.data(), data.size()), 0);
}

TEST(MemoryStreamTest, SeekPastEndWriteFillsGapAndSetSizeKeepsData) {
    TMemoryStream s;
    s.WriteBuffer("ab", 2);
    EXPECT_EQ(s.Seek(3, soEnd), 5);
    EXPECT_EQ(s.Size(), 2);  // seeking alone does not grow the stream
    char buf[4];
    EXPECT_EQ(s.Read(buf, 4), 0);
    s.WriteBuffer("z", 1);
    ASSERT_EQ(s.Size(), 6);
    EXPECT_EQ(QByteArray(static_cast<const char*>(s.Memory()), 6), QByteArray("ab\0\0\0z", 6));

    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);  // clamped to the new end
    s.SetSize(10);
    EXPECT_EQ(QByteArray(static_cast<const char*>(s.Memory()), 3), QByteArray("ab\0", 3));
    EXPECT_EQ(s.Position(), 3);

    // Negative positions read and write nothing.
    s.SetPosition(-1);
    EXPECT_EQ(s.Write("x", 1), 0);
    EXPECT_EQ(s.Read(buf, 1), 0);

    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStreamTest, FileRoundTripAndLoadFromStreamReadsFromStart) {
    QTemporaryDir dir;
    const String name = dir.filePath(QStringLiteral("data.bin"));
    auto s = MemoryWith("hello, world");
    s->SaveToFile(name);

    TMemoryStream loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(Contents(loaded), QStringLiteral("hello, world"));
    EXPECT_EQ(loaded.Position(), 0);

    s->SetPosition(5);
    TMemoryStream copy;
    copy.LoadFromStream(s.get());
    EXPECT_EQ(Contents(copy), QStringLiteral("hello, world"));
}

TEST(FileStreamTest, OpenAndCreateFailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    const String missing = dir.filePath(QStringLiteral("missing.txt"));
    try {
        TFileStream s(missing, fmOpenRead);
        FAIL() << "no EFOpenError";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    const String inMissingDir = dir.filePath(QStringLiteral("no/such/dir/new.txt"));
    try {
        TFileStream s(inMissingDir, fmCreate);
        FAIL() << "no EFCreateError";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(inMissingDir));
    }
    // A folder is no file, in any mode.
    for (Word mode : {fmOpenRead, fmOpenReadWrite, fmCreate}) {
        try {
            TFileStream s(dir.path(), mode);
            ADD_FAILURE() << "a folder opened in mode " << mode;
        } catch (const EStreamError& e) {
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral("\"%1\". Is a directory").arg(dir.path())))
                << e.Message().toStdString();
        }
    }
    // A relative name is reported expanded.
    const String oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    try {
        TFileStream s(QStringLiteral("rel.txt"), fmOpenReadWrite);
        ADD_FAILURE() << "no EFOpenError";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("\"%1\"").arg(QDir(dir.path()).filePath(QStringLiteral("rel.txt")))))
            << e.Message().toStdString();
    }
    QDir::setCurrent(oldCwd);
}

TEST(FileStreamTest, ModesCreateTruncateOpenWithoutTruncatingAndRespectAccess) {
    QTemporaryDir dir;
    const String name = dir.filePath(QStringLiteral("f.txt"));
    {
        TFileStream s(name, fmCreate);
        s.WriteBuffer("0123456789", 10);
        EXPECT_EQ(s.Size(), 10);
    }
    {
        TFileStream s(name, fmOpenWrite | fmShareDenyNone);
        s.Seek(2, soBeginning);
        s.WriteBuffer("ab", 2);
    }
    {
        TFileStream s(name, fmOpenRead | fmShareDenyWrite);
        EXPECT_EQ(s.Size(), 10);
        char buf[10];
        s.ReadBuffer(buf, 10);
        EXPECT_EQ(QByteArray(buf, 10), QByteArray("01ab456789"));
        EXPECT_THROW(s.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream s(name, fmOpenReadWrite | fmShareExclusive);
        s.SetSize(4);
        EXPECT_EQ(s.Size(), 4);
        EXPECT_EQ(s.Position(), 4);
    }
    {
        TFileStream s(name, fmCreate);  // an existing file is emptied
        EXPECT_EQ(s.Size(), 0);
        EXPECT_EQ(s.FileName(), name);
    }
}

TEST(StringStreamTest, HoldsUtf8AndReadsAndWritesStrings) {
    TStringStream s(u"Сдельщик №1"_S);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Size(), QStringLiteral("Сдельщик №1").toUtf8().size());
    EXPECT_EQ(s.DataString(), u"Сдельщик №1"_S);
    EXPECT_EQ(s.ReadString(4), u"Сд"_S);  // counts are bytes

    s.Seek(0, soEnd);
    s.WriteString(u" — бригада"_S);
    EXPECT_EQ(s.DataString(), u"Сдельщик №1 — бригада"_S);
    EXPECT_EQ(static_cast<Int64>(s.Bytes().size()), s.Size());
}

TEST(BytesStreamTest, BytesAlwaysHaveTheStreamSize) {
    TBytesStream s(TBytes{1, 2, 3});
    EXPECT_EQ(s.Size(), 3);
    EXPECT_EQ(s.Position(), 0);
    s.Seek(0, soEnd);
    Byte b = 4;
    s.WriteBuffer(&b, 1);
    EXPECT_EQ(s.Bytes(), (TBytes{1, 2, 3, 4}));
    s.SetSize(2);
    EXPECT_EQ(s.Bytes(), (TBytes{1, 2}));
}

// ---- files written safely ---------------------------------------------------------------------


namespace {

TEST(SafeFileStream, ReplacesTheFileOnlyWhenWholeAndKeepsItsPermissions) {
    QTemporaryDir dir;
    const String name = dir.filePath("data.bin");
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    {
        TSafeFileStream s(name);
        s.WriteBuffer("new contents", 12);
        s.SetPosition(0);
        s.WriteBuffer("N", 1);  // a saver may go back and patch
        // nothing is replaced before the commit
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("old"));
        f.close();
        s.Commit();
    }
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("New contents"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    {
        TSafeFileStream abandoned(name);  // freed without a commit: the file stays
        abandoned.WriteBuffer("xyz", 3);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.bin")});

    // a folder that does not exist: the reason and the name
    try {
        TSafeFileStream s(dir.filePath("no/such/folder/x.bin"));
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("x.bin")));
        EXPECT_TRUE(e.Message().contains(QStringLiteral("No such file or directory"))) << e.Message().toStdString();
    }
}

TEST(SafeFileStream, SaversKeepTheOldFileOnAFullDiskOrAReadOnlyFolder) {
    const QByteArray big(5000, 'n');
    sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) { SaveBytesToFileSafely(Name, big.constData(), big.size()); });
    sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) {
        TOwned<TStringList> l = NewOwned<TStringList>();
        for (int i = 0; i < 200; ++i) l->Add(QStringLiteral("строка %1").arg(i));
        l->SaveToFile(Name);
    }, QStringLiteral("lines.txt"));
}

}  // namespace
