// Stream codecs of the export side, in memory: the LZW encoder and decoder whose code stream is the
// one a PDF "LZWDecode" filter reads (codes 9 to 12 bits wide, most significant bit first, clear
// code 256, end code 257, the width growing one code early), and the ASCII85 encoder whose text a
// PDF "ASCII85Decode" filter reads (without the leading "<~", ending with "~>").
#pragma once

#include "platform/rtl/system.h"

#include <QByteArray>

class TMemoryStream;
class TStream;

// Compresses all of Source, read from its start, into Destination at its position.
void LZWEncode(TMemoryStream* Source, TStream* Destination);
QByteArray LZWEncode(const QByteArray& Source);

// Decompresses Source, read from its start, into Destination at its position, up to the end code.
// A stream that ends early raises "LZWDecode: End of stream", an unknown code
// "LZWDecode: code>=idxCodeTable", a table that would outgrow its 4,096 codes without a clear code
// "LZWDecode: code table full", and output past MaxOutput bytes (a damaged or hostile stream can
// expand a thousandfold) "LZWDecode: output too large"; what was decoded so far stays in
// Destination.
void LZWDecode(TMemoryStream* Source, TStream* Destination, Int64 MaxOutput = -1);
QByteArray LZWDecode(const QByteArray& Source);

// Clears Destination and writes Source, read from its start, as ASCII85 text: groups of four bytes
// as five characters ("z" for four zero bytes), a short last group as one character more than its
// bytes, CR LF once a line holds more than 200 characters, then "~>".
void ASCII85Encode(TMemoryStream* Source, TMemoryStream* Destination);
QByteArray ASCII85Encode(const QByteArray& Source);
