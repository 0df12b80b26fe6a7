#include "platform/rtl/streams.h"
#include "report/rpcompress.h"

#include <gtest/gtest.h>
#include <random>

namespace {

QByteArray Encode(const QByteArray& Plain) {
    TMemoryStream out;
    {
        TRpCompress coder(&out, true);
        for (char c : Plain) coder.Compress(static_cast<Byte>(c));
    }
    return QByteArray(static_cast<const char*>(out.Memory()), static_cast<qsizetype>(out.Size()));
}

// Decodes Count symbols from Coded; Consumed is the stream position afterwards.
QByteArray Decode(const QByteArray& Coded, int Count, Int64* Consumed = nullptr, bool* EndReached = nullptr) {
    TMemoryStream in;
    if (!Coded.isEmpty()) in.WriteBuffer(Coded.constData(), static_cast<Integer>(Coded.size()));
    in.SetPosition(0);
    TRpCompress decoder(&in, false);
    QByteArray result;
    for (int i = 0; i < Count; ++i) {
        Byte b = 0;
        decoder.Expand(b);
        result.append(static_cast<char>(b));
    }
    if (Consumed) *Consumed = in.Position();
    if (EndReached) *EndReached = decoder.EndReached();
    return result;
}

}  // namespace

TEST(RpCompress, KnownCodes) {
    struct Case {
        QByteArray plain;
        QByteArray coded;
    } cases[] = {
        {QByteArray("abc"), QByteArray::fromHex("463D01")},
        {QByteArray("aaaa"), QByteArray::fromHex("4645")},  // the repeated symbol gets cheaper
        {QByteArray(), QByteArray()},                       // nothing coded, nothing written
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.plain).toHex(), c.coded.toHex()) << c.plain.constData();
        EXPECT_EQ(Decode(c.coded, static_cast<int>(c.plain.size())), c.plain);
    }
}

TEST(RpCompress, RoundTripStopsJustPastTheCode) {
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
    std::mt19937 rnd(7);
    QByteArray random;
    for (int i = 0; i < 20000; ++i) random.append(static_cast<char>(rnd() & 0xFF));
    QByteArray skewed;  // few distinct values: codes shorter than a byte
    for (int i = 0; i < 5000; ++i) skewed.append(static_cast<char>("\x00\x00\x00\xFF\x01"[rnd() % 5]));

    for (const QByteArray& plain : {all, random, skewed, all + all}) {
        const QByteArray coded = Encode(plain);
        Int64 consumed = -1;
        bool ended = true;
        // Bytes after the code belong to the next field and must not be consumed.
        EXPECT_EQ(Decode(coded + QByteArray("\x12\x34\x56\x78", 4), static_cast<int>(plain.size()), &consumed, &ended),
                  plain);
        EXPECT_EQ(consumed, coded.size());
        EXPECT_FALSE(ended);
    }
    EXPECT_LT(Encode(skewed).size(), skewed.size() / 2);
}

TEST(RpCompress, DecoderReadsZerosPastTheEnd) {
    bool ended = false;
    Int64 consumed = 0;
    // "abc" needs three bytes; with only the first one the missing bytes read as 0.
    const QByteArray out = Decode(QByteArray::fromHex("46"), 3, &consumed, &ended);
    EXPECT_EQ(out.size(), 3);
    EXPECT_EQ(out[0], 'a');
    EXPECT_TRUE(ended);
    EXPECT_EQ(consumed, 1);
    // Nine zero bits lead to the leftmost leaf, byte value 255: the ninth comes from a missing byte.
    EXPECT_EQ(Decode(QByteArray::fromHex("00"), 1, &consumed, &ended), QByteArray(1, '\xFF'));
    EXPECT_TRUE(ended);
}
