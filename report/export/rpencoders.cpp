#include "report/export/rpencoders.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int ClearCode = 256;
constexpr int EndCode = 257;
constexpr int FirstFreeCode = 258;
constexpr int MaxCode = 4095;
constexpr int OutputBufferSize = 8192;

// Packs codes most significant bit first into bytes and hands them on in blocks.
class TCodeWriter {
public:
    explicit TCodeWriter(TStream* Destination) : FDestination(Destination) { FBuffer.reserve(OutputBufferSize); }

    void Put(int Code, int Width) {
        FBits = (FBits << Width) | static_cast<uint32_t>(Code);
        FCount += Width;
        while (FCount >= 8) {
            FCount -= 8;
            FBuffer.push_back(static_cast<char>((FBits >> FCount) & 0xFF));
        }
        FBits &= (1u << FCount) - 1;
        if (FBuffer.size() > OutputBufferSize - 6) Flush();
    }
    // The bits still pending, left-aligned in a last byte.
    void Finish() {
        if (FCount > 0) FBuffer.push_back(static_cast<char>((FBits << (8 - FCount)) & 0xFF));
        FCount = 0;
        FBits = 0;
        Flush();
    }

private:
    void Flush() {
        if (!FBuffer.empty()) FDestination->WriteBuffer(FBuffer.data(), static_cast<Integer>(FBuffer.size()));
        FBuffer.clear();
    }

    TStream* FDestination;
    std::vector<char> FBuffer;
    uint32_t FBits = 0;
    int FCount = 0;
};

// Grows the code width after the codes that fill a width: the change comes one code early, as the
// PDF decoder expects.
int WidthAfterAssigning(int Code, int Width) {
    return (Code == 511 || Code == 1023 || Code == 2047) ? Width + 1 : Width;
}

void Encode(const unsigned char* Data, size_t Size, TStream* Destination) {
    // Every entry of the table is a piece of the source: the bytes it matched and the byte that
    // followed them. An entry is therefore complete as soon as the source has its last byte, which
    // the step after its assignment reads anyway.
    struct Entry {
        size_t Offset;
        size_t Length;
    };
    std::vector<Entry> Table(MaxCode + 1);
    // Per first byte the codes of the longer entries, in ascending order of length.
    std::vector<std::vector<int>> ByFirst(256);
    TCodeWriter Out(Destination);
    int Width = 9;
    int NextCode = FirstFreeCode;
    size_t Longest = 1;

    auto Init = [&] {
        Out.Put(ClearCode, Width);
        Width = 9;
        for (auto& L : ByFirst) L.clear();
        NextCode = FirstFreeCode;
        Longest = 1;
    };

    Init();
    size_t Pos = 0;
    while (Pos < Size) {
        if (NextCode > MaxCode) Init();
        const size_t Lookahead = std::min(Longest, Size - Pos);
        const unsigned char First = Data[Pos];
        int Code = First;
        size_t Length = 1;
        const std::vector<int>& Candidates = ByFirst[First];
        for (auto It = Candidates.rbegin(); It != Candidates.rend(); ++It) {
            const Entry& E = Table[static_cast<size_t>(*It)];
            if (E.Length > Lookahead) continue;
            if (std::equal(Data + E.Offset, Data + E.Offset + E.Length, Data + Pos)) {
                Code = *It;
                Length = E.Length;
                break;
            }
        }
        Out.Put(Code, Width);
        // The new entry: the matched bytes and the next byte of the source.
        Table[static_cast<size_t>(NextCode)] = Entry{Pos, Length + 1};
        std::vector<int>& List = ByFirst[First];
        auto At = List.end();
        while (At != List.begin() && Table[static_cast<size_t>(*(At - 1))].Length > Length + 1) --At;
        List.insert(At, NextCode);
        Longest = std::max(Longest, Length + 1);
        Width = WidthAfterAssigning(NextCode, Width);
        ++NextCode;
        Pos += Length;
    }
    Out.Put(EndCode, Width);
    Out.Finish();
}

void Decode(const unsigned char* Data, size_t Size, TStream* Destination, Int64 MaxOutput = -1) {
    // An entry is its prefix entry and one last byte; the first byte and the length are kept to
    // complete a pending entry and to write an entry out back to front.
    struct Entry {
        int Prefix;
        unsigned char Last;
        unsigned char First;
        int Length;
    };
    std::vector<Entry> Table(MaxCode + 1);
    for (int i = 0; i < 258; ++i)
        Table[static_cast<size_t>(i)] = Entry{-1, static_cast<unsigned char>(i & 0xFF),
                                              static_cast<unsigned char>(i & 0xFF), 1};
    int Width = 9;
    int NextCode = FirstFreeCode;
    uint32_t Bits = 0;
    int Count = 0;
    size_t Pos = 0;
    std::vector<char> Out;
    Int64 Written = 0;

    auto Flush = [&] {
        if (!Out.empty()) Destination->WriteBuffer(Out.data(), static_cast<Integer>(Out.size()));
        Written += static_cast<Int64>(Out.size());
        Out.clear();
    };

    try {
        for (;;) {
            while (Count < Width) {
                if (Pos >= Size) throw Exception(QStringLiteral("LZWDecode: End of stream"));
                Bits = (Bits << 8) | Data[Pos++];
                Count += 8;
            }
            Count -= Width;
            const int Code = static_cast<int>((Bits >> Count) & ((1u << Width) - 1));
            Bits &= (1u << Count) - 1;
            if (Code == EndCode) break;
            if (Code == ClearCode) {
                Width = 9;
                NextCode = FirstFreeCode;
                continue;
            }
            if (Code >= NextCode) throw Exception(QStringLiteral("LZWDecode: code>=idxCodeTable"));
            // The entry assigned by the previous code receives its last byte now; this also
            // serves a code that names that very entry, whose first byte is known already.
            if (NextCode > FirstFreeCode) Table[static_cast<size_t>(NextCode - 1)].Last = Table[static_cast<size_t>(Code)].First;
            const Entry& E = Table[static_cast<size_t>(Code)];
            if (MaxOutput >= 0 && Written + static_cast<Int64>(Out.size()) + E.Length > MaxOutput)
                throw Exception(QStringLiteral("LZWDecode: output too large"));
            const size_t Start = Out.size();
            Out.resize(Start + static_cast<size_t>(E.Length));
            int C = Code;
            for (size_t i = Start + static_cast<size_t>(E.Length); i > Start; --i) {
                const Entry& P = Table[static_cast<size_t>(C)];
                Out[i - 1] = static_cast<char>(P.Last);
                C = P.Prefix;
            }
            if (Out.size() >= OutputBufferSize) Flush();
            if (NextCode > MaxCode) throw Exception(QStringLiteral("LZWDecode: code table full"));
            Table[static_cast<size_t>(NextCode)] = Entry{Code, 0, E.First, E.Length + 1};
            Width = WidthAfterAssigning(NextCode, Width);
            ++NextCode;
        }
    } catch (...) {
        Flush();
        throw;
    }
    Flush();
}

void Ascii85(const unsigned char* Data, size_t Size, TStream* Destination) {
    std::vector<char> Out;
    Out.reserve(Size / 4 * 5 + Size / 100 + 8);
    int Line = 0;
    for (size_t Pos = 0; Pos < Size; Pos += 4) {
        const int N = static_cast<int>(std::min<size_t>(4, Size - Pos));
        uint32_t V = 0;
        for (int i = 0; i < 4; ++i) V = (V << 8) | (i < N ? Data[Pos + static_cast<size_t>(i)] : 0u);
        if (N == 4 && V == 0) {
            Out.push_back('z');
        } else {
            char Digits[5];
            for (int i = 4; i >= 0; --i) {
                Digits[i] = static_cast<char>(V % 85 + 33);
                V /= 85;
            }
            Out.insert(Out.end(), Digits, Digits + N + 1);
        }
        Line += N + 1;
        if (Line > 200) {
            Out.push_back('\r');
            Out.push_back('\n');
            Line = 0;
        }
    }
    Out.push_back('~');
    Out.push_back('>');
    Destination->WriteBuffer(Out.data(), static_cast<Integer>(Out.size()));
}

const unsigned char* Bytes(TMemoryStream* S) { return static_cast<const unsigned char*>(S->Memory()); }
size_t SizeOf(TMemoryStream* S) { return static_cast<size_t>(S->Size()); }

}  // namespace

void LZWEncode(TMemoryStream* Source, TStream* Destination) { Encode(Bytes(Source), SizeOf(Source), Destination); }

void LZWDecode(TMemoryStream* Source, TStream* Destination, Int64 MaxOutput) {
    Decode(Bytes(Source), SizeOf(Source), Destination, MaxOutput);
}

void ASCII85Encode(TMemoryStream* Source, TMemoryStream* Destination) {
    Destination->Clear();
    Ascii85(Bytes(Source), SizeOf(Source), Destination);
}

namespace {
template <class F>
QByteArray Through(const QByteArray& Source, F Codec) {
    TMemoryStream Out;
    Codec(reinterpret_cast<const unsigned char*>(Source.constData()), static_cast<size_t>(Source.size()), &Out);
    return QByteArray(static_cast<const char*>(Out.Memory()), static_cast<qsizetype>(Out.Size()));
}
}  // namespace

QByteArray LZWEncode(const QByteArray& Source) { return Through(Source, Encode); }
QByteArray LZWDecode(const QByteArray& Source) {
    return Through(Source, [](const unsigned char* D, size_t N, TStream* Out) { Decode(D, N, Out); });
}
QByteArray ASCII85Encode(const QByteArray& Source) { return Through(Source, Ascii85); }
