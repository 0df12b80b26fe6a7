// Helpers of the page-store tests: enhanced-metafile-shaped byte blocks and little-endian reads.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstring>

// A block shaped as an enhanced metafile: the 88-byte header record (type 1, " EMF" at 40, the
// whole byte count at 48), Payload bytes of records, and the end-of-file record.
inline QByteArray MakeEmf(int Payload, int Seed = 1) {
    const int total = 88 + Payload + 20;
    QByteArray b(total, '\0');
    auto put = [&b](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(0, 1);
    put(4, 88);
    std::memcpy(b.data() + 40, " EMF", 4);
    put(44, 0x10000);
    put(48, static_cast<std::uint32_t>(total));
    put(52, 2);
    for (int i = 0; i < Payload; ++i) b[88 + i] = static_cast<char>((i * 7 + Seed * 13) % 251 + (i % 5 == 0 ? 3 : 0));
    put(88 + Payload, 14);
    put(88 + Payload + 4, 20);
    return b;
}

inline std::int32_t LE32(const QByteArray& b, int at) {
    return static_cast<std::int32_t>(static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8) |
                                     (static_cast<std::uint8_t>(b[at + 2]) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24));
}

inline void PutLE32(QByteArray& b, int at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}
