// Adaptive splay-tree prefix coder of stored report pages. A coder writes the code of every byte
// given to Compress as a bit stream into its stream (the first bit of each byte is its least
// significant bit); a decoder on the same bytes, asked for the same number of symbols, gives the
// bytes back and stops just past the last coded byte. No table goes into the stream: coder and
// decoder start from the same tree and splay it identically after every symbol.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/system.h"

#include <array>

class TStream;

using CodeType = Word;
using TreeDownArray = std::array<CodeType, 256>;  // children of the inner nodes 0..255
using TreeUpArray = std::array<Byte, 513>;        // parent of every node 0..512

class TRpCompress : public TObject {
    SDELKA_CLASS(TRpCompress, TObject)
public:
    // A coder (CompressData true) or a decoder on AStream, which stays the caller's.
    TRpCompress(TStream* AStream, bool CompressData);
    // A coder writes its last, partly filled byte (the missing high bits are zero).
    ~TRpCompress() override;

    void Compress(Byte Plain);
    void Expand(Byte& Expanded);
    // True once a decoder has asked for a byte past the end of its stream (read as 0): the coded
    // data was shorter than the number of symbols asked for.
    bool EndReached() const { return FEndReached; }

private:
    void Splay(int Plain);

    Byte BitPos = 0;
    bool CompressFlag;
    CodeType InByte = 0;
    TreeDownArray Left{};
    TreeDownArray Right{};
    CodeType OutByte = 0;
    TStream* Stream;
    TreeUpArray Up{};
    bool FEndReached = false;
};
