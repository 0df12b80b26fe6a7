#include "grid/addons/vcldbifvz.h"

#include "grid/core/uitextsvz.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/streams.h"

#include <cstring>

namespace {

const char Signature[7] = {'V', 'C', 'L', 'D', 'B', 'I', 'F'};

template <typename T>
void Put(QByteArray& Out, T Value) {
    unsigned char B[sizeof(T)];
    std::memcpy(B, &Value, sizeof(T));  // the machine is little-endian, as the format
    Out.append(reinterpret_cast<const char*>(B), sizeof(T));
}

void PutBytes(QByteArray& Out, Byte Tag, const QByteArray& Bytes) {
    Out += char(Tag);
    Put<int32_t>(Out, int32_t(Bytes.size()));
    Out += Bytes;
}

bool FitsCodePage(const String& Text) {
    unsigned char B;
    for (QChar C : Text)
        if (!CharToCodePageByte(C, GridExchangeCodePageVz, B)) return false;
    return true;
}

[[noreturn]] void FormatError() {
    throw Exception(u"TDBGridVzImportAsVCLDBIF.ReadPrefix: "_S + GetViZevLanguageConsts()->InvalidVCLDBIFFormat());
}

// A reader over the stream's bytes that refuses to read past their end.
struct TByteCursor {
    const QByteArray& Data;
    qsizetype Pos = 0;
    qsizetype Remaining() const { return Data.size() - Pos; }
    const char* Take(qsizetype Count) {
        if (Count < 0 || Count > Remaining()) FormatError();
        const char* P = Data.constData() + Pos;
        Pos += Count;
        return P;
    }
    Byte TakeByte() { return Byte(*Take(1)); }
    template <typename T>
    T TakeValue() {
        T V;
        std::memcpy(&V, Take(sizeof(T)), sizeof(T));
        return V;
    }
    QByteArray TakeCounted() {
        int32_t Length = TakeValue<int32_t>();
        return QByteArray(Take(Length), Length);
    }
};

}  // namespace

void TDBGridVzExportAsVCLDBIF::WriteValue(QByteArray& Out, const Variant& Value) {
    switch (Value.VType()) {
        case varEmpty: Out += char(vtNoValueVz); return;
        case varNull: Out += char(vtNullVz); return;
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
            Out += char(vtIntegerVz);
            Put<int32_t>(Out, Value.AsInteger());
            return;
        case varSingle: case varDouble: case varCurrency: case varDate:
            Out += char(vtFloatVz);
            Put<double>(Out, Value.AsDouble());
            return;
        default: break;
    }
    if (Value.VType() == (varArray | varByte)) {
        PutBytes(Out, vtBinaryVz, VarByteArrayToBytes(Value));
        return;
    }
    if (Value.VType() & varArray) {  // no encoding for other arrays
        Out += char(vtNoValueVz);
        return;
    }
    const String Text = Value.AsString();
    if (FitsCodePage(Text)) {
        PutBytes(Out, vtTextVz, StringToCodePage(Text, GridExchangeCodePageVz));
    } else {
        PutBytes(Out, vtWideTextVz, StringToUtf16LEVz(Text));
    }
}

void TDBGridVzExportAsVCLDBIF::BeginExport() {
    QByteArray Out(Signature, 7);
    Out += char(1);
    Put<int32_t>(Out, FSource->ColCount());
    for (int Col = 0; Col < FSource->ColCount(); ++Col) {
        Out += char(FSource->ColumnVisible(Col) ? 1 : 0);
        Out += char(0);
    }
    WriteBytes(Out);
}

void TDBGridVzExportAsVCLDBIF::ExportDataCell(int Row, int Col) {
    QByteArray Out;
    WriteValue(Out, FSource->Value(Row, Col));
    WriteBytes(Out);
}

void TDBGridVzExportAsVCLDBIF::EndExport() { WriteBytes(QByteArray(1, char(vtEndVz))); }

TDBGridVzImportAsVCLDBIF::TContents TDBGridVzImportAsVCLDBIF::ReadContents(TStream* Stream) {
    const QByteArray Data = ReadRemainingBytesVz(Stream);
    TByteCursor R{Data};
    TContents C;
    if (std::memcmp(R.Take(7), Signature, 7) != 0) FormatError();
    R.TakeByte();  // version
    C.ColCount = R.TakeValue<int32_t>();
    // every column record takes two bytes at least
    if (C.ColCount < 0 || C.ColCount > R.Remaining() / 2) FormatError();
    for (Integer I = 0; I < C.ColCount; ++I) {
        C.Visible.push_back(R.TakeByte() != 0);
        qsizetype End = Data.indexOf('\0', R.Pos);
        if (End < 0) FormatError();
        C.FieldNames << CodePageToString(QByteArray(R.Take(End - R.Pos), End - R.Pos), GridExchangeCodePageVz);
        R.Take(1);
    }
    for (;;) {
        Byte Tag = R.TakeByte();
        switch (Tag) {
            case vtEndVz:
                if (C.ColCount > 0 && C.Values.size() % C.ColCount != 0) FormatError();  // a record cut short
                if (C.ColCount == 0 && !C.Values.empty()) FormatError();
                return C;
            case vtNoValueVz: C.Values.push_back(Variant::Unassigned()); break;
            case vtNullVz: C.Values.push_back(Variant::Null()); break;
            case vtIntegerVz: C.Values.push_back(Variant(int(R.TakeValue<int32_t>()))); break;
            case vtFloatVz: C.Values.push_back(Variant(R.TakeValue<double>())); break;
            case vtTextVz: C.Values.push_back(Variant(CodePageToString(R.TakeCounted(), GridExchangeCodePageVz))); break;
            case vtBinaryVz: C.Values.push_back(VarByteArrayOf(R.TakeCounted())); break;
            case vtWideTextVz: {
                QByteArray Bytes = R.TakeCounted();
                if (Bytes.size() % 2 != 0) FormatError();
                C.Values.push_back(Variant(Utf16LEToStringVz(Bytes)));
                break;
            }
            default:
                throw Exception(u"ReadValueFromVCLDBIFStream: Unixpected value type: "_S + String::number(Tag));
        }
    }
}

void TDBGridVzImportAsVCLDBIF::ReadPrefix() {
    FContents = ReadContents(FStream);
    FNext = 0;
    Eos = FContents.Values.empty();
}

void TDBGridVzImportAsVCLDBIF::ImportRecord() {
    if (!FTarget->BeginRecord()) {
        Eos = true;
        return;
    }
    for (Integer I = 0; I < FContents.ColCount; ++I) {
        const Variant& V = FContents.Values[FNext++];
        if (V.VType() == varEmpty || I >= FTarget->ColCount()) continue;
        if (!GuardedWrite([&] { FTarget->SetValue(I, V); })) throw EAbort(String());
    }
    FTarget->EndRecord();
    Eos = FNext >= FContents.Values.size();
}
