#include "grid/addons/textimportvz.h"

#include "grid/core/uitextsvz.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/streams.h"

String TDBGridVzImportAsText::DecodeSource(const QByteArray& Bytes) {
    return CodePageToString(Bytes, GridExchangeCodePageVz);
}

String TDBGridVzImportAsUnicodeText::DecodeSource(const QByteArray& Bytes) { return Utf16LEToStringVz(Bytes); }

void TDBGridVzImportAsText::ReadPrefix() {
    FText = DecodeSource(ReadRemainingBytesVz(FStream));
    FPos = 0;
    FLastChar = QChar();
    FLastString.clear();
    FLastState = itssNewLine;
    CheckState();
}

TImportTextSreamState TDBGridVzImportAsText::CheckState() {
    auto Result = [this](TImportTextSreamState S) { return FLastState = S; };
    if (FPos >= FText.size() || FText[FPos].unicode() == 0) {
        Eos = true;
        return Result(itssEof);
    }
    FLastChar = FText[FPos++];
    bool AfterSeparator = FLastState == itssTab || FLastState == itssNewLine;
    if (FLastChar == u'\t') {
        if (AfterSeparator) {  // an empty value: this TAB is read again next time
            --FPos;
            FLastChar = QChar();
            return Result(itssChar);
        }
        return Result(itssTab);
    }
    if (FLastChar == u'\r') {
        if (FPos >= FText.size() || FText[FPos] != u'\n')
            throw Exception(ErrorPrefix() + u".CheckState: "_S + GetViZevLanguageConsts()->InvalidTextFormat());
        ++FPos;
        if (AfterSeparator) {
            FPos -= 2;
            FLastChar = QChar();
            return Result(itssChar);
        }
        return Result(itssNewLine);
    }
    return Result(itssChar);
}

String TDBGridVzImportAsText::ReadCellText() {
    String Value;
    if (FLastState == itssChar && !FLastChar.isNull()) Value += FLastChar;
    while (CheckState() == itssChar)
        if (!FLastChar.isNull()) Value += FLastChar;
    return Value;
}

void TDBGridVzImportAsText::ImportRecord() {
    if (FLastState == itssEof) return;
    if (!FTarget->BeginRecord()) {
        Eos = true;
        return;
    }
    int I = 0;
    if (FLastState == itssChar) {
        FLastString = ReadCellText();
        if (FTarget->ColCount() > 0) ImportValue(0);
        I = 1;
    }
    while (FLastState != itssNewLine && FLastState != itssEof) {
        FLastString = ReadCellText();
        if (I < FTarget->ColCount()) ImportValue(I);
        ++I;
    }
    FTarget->EndRecord();
    if (FLastState != itssEof) CheckState();
}

void TDBGridVzImportAsText::ImportValue(int Col) {
    const String Text = FLastString;
    if (!GuardedWrite([&] { FTarget->SetText(Col, Text); })) throw EAbort(String());
}
