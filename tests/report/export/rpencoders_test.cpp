#include "report/export/rpencoders.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

#include "support/tools.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>
#include <string>
#include <vector>

namespace {

// An LZWDecode reader written from the PDF reference's description: codes of 9 to 12 bits, most
// significant bit first; 256 clears the table, 257 ends the data; every code after the first
// adds the previous string plus the first byte of the current one; with EarlyChange 1 the code
// width grows as soon as the next code to be added would need the wider code.
QByteArray ReferenceLzwDecode(const QByteArray& In, bool& Ok) {
    Ok = false;
    std::vector<QByteArray> Table;
    auto Reset = [&Table] {
        Table.clear();
        for (int i = 0; i < 256; ++i) Table.push_back(QByteArray(1, char(i)));
        Table.push_back(QByteArray());
        Table.push_back(QByteArray());
    };
    Reset();
    int Width = 9;
    int Prev = -1;
    long BitPos = 0;
    const long TotalBits = long(In.size()) * 8;
    QByteArray Out;
    for (;;) {
        if (BitPos + Width > TotalBits) return Out;
        int Code = 0;
        for (int i = 0; i < Width; ++i, ++BitPos)
            Code = (Code << 1) | ((uchar(In[qsizetype(BitPos / 8)]) >> (7 - BitPos % 8)) & 1);
        if (Code == 256) {
            Reset();
            Width = 9;
            Prev = -1;
            continue;
        }
        if (Code == 257) break;
        QByteArray Entry;
        if (Prev < 0) {
            if (Code > 255) return Out;
            Entry = Table[size_t(Code)];
        } else {
            if (Code < int(Table.size())) Entry = Table[size_t(Code)];
            else if (Code == int(Table.size())) Entry = Table[size_t(Prev)] + Table[size_t(Prev)][0];
            else return Out;
            if (Table.size() < 4096) Table.push_back(Table[size_t(Prev)] + Entry[0]);
        }
        Out += Entry;
        Prev = Code;
        if (int(Table.size()) + 1 >= (1 << Width) && Width < 12) ++Width;
    }
    Ok = true;
    return Out;
}

// Codes written as a decoder reads them: most significant bit first, no padding at the end.
struct CodeWriter {
    QByteArray Bytes;
    uint32_t Acc = 0;
    int N = 0;
    int Width = 9;
    void Put(int Code, int CodeWidth) {
        Acc = (Acc << CodeWidth) | uint32_t(Code);
        N += CodeWidth;
        while (N >= 8) {
            N -= 8;
            Bytes += char((Acc >> N) & 0xFF);
        }
        Acc &= (1u << N) - 1;
    }
    void Put(int Code) { Put(Code, Width); }
};

QByteArray Random(std::mt19937& Gen, int Size, int Alphabet) {
    QByteArray B(Size, '\0');
    std::uniform_int_distribution<int> D(0, Alphabet - 1);
    for (char& c : B) c = char(D(Gen));
    return B;
}

// Sources that reach every corner of the code table: random bytes (many short entries, several
// clears), a small alphabet, a long run of one byte (entries thousands of bytes long), and a
// bitmap-like mix of runs and noise.
std::vector<QByteArray> Samples() {
    std::mt19937 Gen(20261210);
    std::vector<QByteArray> S;
    for (int n : {0, 1, 2, 3, 4, 5, 7, 8, 255, 256, 257, 1000}) S.push_back(Random(Gen, n, 256));
    S.push_back(Random(Gen, 200000, 256));
    S.push_back(Random(Gen, 100000, 3));
    S.push_back(QByteArray(300000, '\0'));
    QByteArray Mix;
    while (Mix.size() < 150000) {
        Mix += QByteArray(int(Gen() % 500), char(0xFF));
        Mix += Random(Gen, int(Gen() % 40), 256);
    }
    S.push_back(Mix);
    QByteArray Text;
    for (int i = 0; i < 3000; ++i) Text += QByteArray("Сдельная оплата, строка ").append(QByteArray::number(i)).append("\r\n");
    S.push_back(Text);
    return S;
}

TEST(LZW, RoundTripsThroughTheReferenceDecoderAndOurOwn) {
    for (const QByteArray& Source : Samples()) {
        const QByteArray Coded = LZWEncode(Source);
        bool Ok = false;
        const QByteArray Back = ReferenceLzwDecode(Coded, Ok);
        EXPECT_TRUE(Ok) << "size " << Source.size();
        EXPECT_TRUE(Back == Source) << "size " << Source.size();
        EXPECT_TRUE(LZWDecode(Coded) == Source) << "size " << Source.size();
    }
}

TEST(LZW, StreamsWriteAtTheDestinationsPositionAndReadTheSourceFromItsStart) {
    TMemoryStream Source;
    Source.WriteBuffer("abcabcabcabc", 12);  // position at the end: the encoder reads from the start
    TMemoryStream Coded;
    Coded.WriteBuffer("XY", 2);
    LZWEncode(&Source, &Coded);
    const QByteArray All(static_cast<const char*>(Coded.Memory()), qsizetype(Coded.Size()));
    ASSERT_TRUE(All.startsWith("XY"));
    EXPECT_EQ(LZWDecode(All.mid(2)), QByteArray("abcabcabcabc"));

    TMemoryStream Packed;
    const QByteArray P = LZWEncode(QByteArray("hello hello hello"));
    Packed.WriteBuffer(P.constData(), Integer(P.size()));
    TMemoryStream Plain;
    LZWDecode(&Packed, &Plain);
    EXPECT_EQ(QByteArray(static_cast<const char*>(Plain.Memory()), qsizetype(Plain.Size())), QByteArray("hello hello hello"));
}

// Reads the codes of an encoded stream with the widths the encoder used.
std::vector<std::pair<int, int>> Codes(const QByteArray& In) {
    std::vector<std::pair<int, int>> R;  // code, width
    int Width = 9, Next = 258;
    long Pos = 0;
    for (;;) {
        int Code = 0;
        for (int i = 0; i < Width; ++i, ++Pos) Code = (Code << 1) | ((uchar(In[qsizetype(Pos / 8)]) >> (7 - Pos % 8)) & 1);
        R.emplace_back(Code, Width);
        if (Code == 257) return R;
        if (Code == 256) {
            Width = 9;
            Next = 258;
            continue;
        }
        if (Next == 511 || Next == 1023 || Next == 2047) ++Width;
        ++Next;
    }
}

TEST(LZW, CodeWidthsAndClearCodes) {
    EXPECT_EQ(LZWEncode(QByteArray()), QByteArray("\x80\x40\x40", 3));

    // Random bytes match single bytes almost always: every step assigns one code.
    std::mt19937 Gen(7);
    const std::vector<std::pair<int, int>> C = Codes(LZWEncode(Random(Gen, 20000, 256)));
    ASSERT_GT(C.size(), 4100u);
    EXPECT_EQ(C[0], std::make_pair(256, 9));
    // code 1 is the first data code; the step emitting data code k assigns 257 + k
    EXPECT_EQ(C[254].second, 9);   // assigns 511
    EXPECT_EQ(C[255].second, 10);  // the next one is wider
    EXPECT_EQ(C[766].second, 10);  // assigns 1023
    EXPECT_EQ(C[767].second, 11);
    EXPECT_EQ(C[1790].second, 11);  // assigns 2047
    EXPECT_EQ(C[1791].second, 12);
    EXPECT_EQ(C[3838].second, 12);  // assigns 4095
    EXPECT_EQ(C[3839], std::make_pair(256, 12));
    EXPECT_EQ(C[3840].second, 9);
    EXPECT_EQ(C.back().first, 257);
}

TEST(LZW, DecoderErrorsKeepWhatWasDecoded) {
    struct Case {
        std::vector<std::pair<int, int>> Codes;
        const char* Message;
        QByteArray Decoded;
    };
    const Case Cases[] = {
        // the pending entry (next free code - 1) is fine, the next free code itself is not
        {{{256, 9}, {'a', 9}, {258, 9}, {260, 9}, {0, 9}}, "LZWDecode: code>=idxCodeTable", "aaa"},
        {{{256, 9}, {'a', 9}, {'b', 9}, {'c', 9}}, "LZWDecode: End of stream", "ab"},
        {{{256, 9}, {259, 9}, {0, 9}}, "LZWDecode: code>=idxCodeTable", ""},
    };
    for (const Case& K : Cases) {
        CodeWriter W;
        for (auto [Code, Width] : K.Codes) W.Put(Code, Width);
        // no padding: the stream ends where the last complete byte ends
        const QByteArray& Bytes = W.Bytes;
        TMemoryStream In, Out;
        In.WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
        try {
            LZWDecode(&In, &Out);
            ADD_FAILURE() << K.Message;
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), QString::fromLatin1(K.Message));
        }
        EXPECT_EQ(QByteArray(static_cast<const char*>(Out.Memory()), qsizetype(Out.Size())), K.Decoded) << K.Message;
    }

    // a table that would grow past 4,096 codes without a clear code
    CodeWriter W;
    int Next = 258;
    W.Put(256);
    for (int i = 0; i < 3840; ++i) {
        W.Put('x');
        if (Next == 511 || Next == 1023 || Next == 2047) ++W.Width;
        ++Next;
    }
    W.Put(257);
    W.Put(0);
    EXPECT_THROW(LZWDecode(W.Bytes), Exception);
}

// Each code names the entry the previous one made: run k writes k + 1 bytes, so a few kilobytes
// of codes unpack to hundreds of kilobytes. A cap stops the decoder at the cap, keeping what fits.
TEST(LZW, ACapStopsAStreamThatExpandsBeyondIt) {
    CodeWriter W;
    W.Put(256);
    W.Put('a');
    for (int Code = 258; Code < 258 + 1500; ++Code) {
        W.Put(Code);
        if (Code + 1 == 511 || Code + 1 == 1023 || Code + 1 == 2047) ++W.Width;
    }
    W.Put(257);
    W.Put(0);
    const QByteArray& Bytes = W.Bytes;
    const Int64 Full = 1 + Int64(1500) * 1501 / 2 + 1500;  // 'a', then runs of 2 .. 1501 bytes
    EXPECT_EQ(LZWDecode(Bytes).size(), Full);
    EXPECT_LT(Bytes.size(), 3000);

    TMemoryStream In, Out;
    In.WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
    try {
        LZWDecode(&In, &Out, 100000);
        ADD_FAILURE() << "no error past the cap";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("LZWDecode: output too large"));
    }
    EXPECT_GT(Out.Size(), 99000);
    EXPECT_LE(Out.Size(), 100000);
    EXPECT_EQ(QByteArray(static_cast<const char*>(Out.Memory()), qsizetype(Out.Size())), QByteArray(qsizetype(Out.Size()), 'a'));

    TMemoryStream In2, Out2;  // a cap the data fits in changes nothing
    In2.WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
    LZWDecode(&In2, &Out2, Full);
    EXPECT_EQ(Out2.Size(), Full);
}

TEST(ASCII85, EdgeCasesOfGroupsAndLines) {
    EXPECT_EQ(ASCII85Encode(QByteArray(4, '\0')), QByteArray("z~>"));
    EXPECT_EQ(ASCII85Encode(QByteArray(1, '\0')), QByteArray("!!~>"));
    EXPECT_EQ(ASCII85Encode(QByteArray()), QByteArray("~>"));
    EXPECT_EQ(ASCII85Encode(QByteArray(5, '\0')), QByteArray("z!!~>"));
    EXPECT_EQ(ASCII85Encode(QByteArray("\xFF\xFF\xFF\xFF", 4)), QByteArray("s8W-!~>"));

    // 50 groups without a zero one: the first line break follows the 41st group (205 characters)
    const QByteArray Text = ASCII85Encode(QByteArray(200, 'A'));
    EXPECT_EQ(Text.indexOf("\r\n"), 205);
    EXPECT_EQ(Text.size(), 250 + 2 + 2);

    // The stream form clears its destination first.
    TMemoryStream Source, Dest;
    Dest.WriteBuffer("old contents", 12);
    Source.WriteBuffer("\0\0\0\0", 4);
    ASCII85Encode(&Source, &Dest);
    EXPECT_EQ(QByteArray(static_cast<const char*>(Dest.Memory()), qsizetype(Dest.Size())), QByteArray("z~>"));
}

TEST(ASCII85, PythonsDecoderReadsItBack) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    std::vector<QByteArray> Sources = Samples();
    std::mt19937 Gen(85);
    QByteArray Zeros = Random(Gen, 5000, 256);
    for (int i = 0; i < 5000; i += 37) Zeros.replace(i, 8, QByteArray(8, '\0'));
    Sources.push_back(Zeros);
    QStringList Args{QStringLiteral("-c"),
                     QStringLiteral("import base64, sys\n"
                                    "for name in sys.argv[1:]:\n"
                                    "    data = open(name, 'rb').read()\n"
                                    "    open(name + '.out', 'wb').write(base64.a85decode(b'<~' + data, adobe=True))\n")};
    for (size_t i = 0; i < Sources.size(); ++i) {
        const QString Name = Dir.filePath(QStringLiteral("s%1.a85").arg(i));
        QFile F(Name);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(ASCII85Encode(Sources[i]));
        F.close();
        Args << Name;
    }
    const sdelka::test::TRun Python = sdelka::test::RunTool(QStringLiteral("python3"), Args, 120000);
    ASSERT_EQ(Python.Code, 0) << Python.Err.toStdString();
    for (size_t i = 0; i < Sources.size(); ++i) {
        QFile F(Dir.filePath(QStringLiteral("s%1.a85.out").arg(i)));
        ASSERT_TRUE(F.open(QIODevice::ReadOnly));
        EXPECT_TRUE(F.readAll() == Sources[i]) << "sample " << i << " of " << Sources[i].size() << " bytes";
    }
}

// What the PDF writer does with image bytes: LZW, then ASCII85; a reader undoes both.
TEST(ASCII85, CarriesLzwCodeThroughPython) {
    QTemporaryDir Dir;
    std::mt19937 Gen(3);
    const QByteArray Source = Random(Gen, 30000, 16);
    QFile F(Dir.filePath(QStringLiteral("img.a85")));
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(ASCII85Encode(LZWEncode(Source)));
    F.close();
    const sdelka::test::TRun Python = sdelka::test::RunTool(
        QStringLiteral("python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import base64, sys\n"
                        "sys.stdout.buffer.write(base64.a85decode(b'<~' + open(sys.argv[1], 'rb').read(), adobe=True))\n"),
         F.fileName()});
    ASSERT_NE(Python.Code, -1);
    bool Ok = false;
    EXPECT_TRUE(ReferenceLzwDecode(Python.Out, Ok) == Source);
    EXPECT_TRUE(Ok);
}

}  // namespace
