#include "report/rpcompress.h"

#include "platform/rtl/streams.h"

namespace {
constexpr int RootNode = 0;
constexpr int MaxInner = 255;
constexpr int FirstLeaf = 256;
constexpr int MaxNode = 512;
}  // namespace

TRpCompress::TRpCompress(TStream* AStream, bool CompressData) : CompressFlag(CompressData), Stream(AStream) {
    for (int i = 1; i <= MaxNode; ++i) Up[i] = static_cast<Byte>((i - 1) / 2);
    for (int i = 0; i <= MaxInner; ++i) {
        Left[i] = static_cast<CodeType>(2 * i + 1);
        Right[i] = static_cast<CodeType>(2 * i + 2);
    }
    BitPos = CompressFlag ? 0 : 7;
}

TRpCompress::~TRpCompress() {
    if (CompressFlag && BitPos != 0) {
        const Byte last = static_cast<Byte>(OutByte & 0xFF);
        try {
            Stream->Write(&last, 1);
        } catch (...) {
            // A destructor must not throw; the page store reports the failed write through the
            // short record it leaves behind.
        }
    }
}

void TRpCompress::Splay(int Plain) {
    int a = FirstLeaf + Plain;
    do {
        const int c = Up[a];
        if (c != RootNode) {
            const int d = Up[c];
            int b = Left[d];
            if (c == b) {
                b = Right[d];
                Right[d] = static_cast<CodeType>(a);
            } else {
                Left[d] = static_cast<CodeType>(a);
            }
            if (a == Left[c])
                Left[c] = static_cast<CodeType>(b);
            else
                Right[c] = static_cast<CodeType>(b);
            Up[a] = static_cast<Byte>(d);
            Up[b] = static_cast<Byte>(c);
            a = d;
        } else {
            a = c;
        }
    } while (a != RootNode);
}

void TRpCompress::Compress(Byte Plain) {
    // A path from a leaf to the root is at most 256 steps long (a chain through every inner node).
    bool bits[MaxInner + 2];
    int count = 0;
    int a = FirstLeaf + Plain;
    do {
        const int u = Up[a];
        bits[count++] = Right[u] == a;
        a = u;
    } while (a != RootNode);
    while (count > 0) {
        if (bits[--count]) OutByte = static_cast<CodeType>(OutByte | (1u << BitPos));
        if (BitPos == 7) {
            const Byte b = static_cast<Byte>(OutByte & 0xFF);
            Stream->WriteBuffer(&b, 1);
            BitPos = 0;
            OutByte = 0;
        } else {
            ++BitPos;
        }
    }
    Splay(Plain);
}

void TRpCompress::Expand(Byte& Expanded) {
    int a = RootNode;
    while (a <= MaxInner) {
        if (BitPos == 7) {
            Byte b = 0;
            if (Stream->Read(&b, 1) != 1) {
                b = 0;
                FEndReached = true;
            }
            InByte = b;
            BitPos = 0;
        } else {
            ++BitPos;
        }
        a = (InByte & (1u << BitPos)) ? Right[a] : Left[a];
    }
    const int s = a - FirstLeaf;
    Splay(s);
    Expanded = static_cast<Byte>(s);
}
