#include "grid/addons/gridexchangevz.h"

#include "grid/addons/textexportvz.h"
#include "grid/addons/textimportvz.h"
#include "grid/addons/vcldbifvz.h"
#include "grid/addons/xmlspreadsheetexpvz.h"
#include "grid/core/uitextsvz.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/modalresults.h"
#include "platform/rtl/streams.h"

QByteArray StringToUtf16LEVz(const String& Text) {
    QByteArray Bytes;
    Bytes.reserve(Text.size() * 2);
    for (QChar C : Text) {
        Bytes += char(C.unicode() & 0xFF);
        Bytes += char(C.unicode() >> 8);
    }
    return Bytes;
}

String Utf16LEToStringVz(const QByteArray& Bytes) {
    String Text(Bytes.size() / 2, QChar());
    for (qsizetype I = 0; I < Text.size(); ++I)
        Text[I] = QChar(char16_t(Byte(Bytes[2 * I]) | (Byte(Bytes[2 * I + 1]) << 8)));
    return Text;
}

QByteArray ReadRemainingBytesVz(TStream* Stream) {
    Int64 Count = Stream->Size() - Stream->Position();
    QByteArray Bytes;
    if (Count <= 0) return Bytes;
    Bytes.resize(Count);
    Stream->ReadBuffer(Bytes.data(), static_cast<Integer>(Count));
    return Bytes;
}

void TDBGridVzExport::ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source) {
    FStream = Stream;
    FSource = Source;
    BeginExport();
    if (FSource->HasTitles()) ExportTitleRow();
    for (int Row = 0; Row < FSource->RowCount(); ++Row) ExportRecordRow(Row);
    for (int F = 0; F < FSource->FooterRowCount(); ++F) ExportFooterRow(F);
    EndExport();
}

void TDBGridVzExport::ExportToFile(const String& FileName, IGridExchangeSourceVz* Source) {
    TSafeFileStream File(FileName);
    ExportToStream(&File, Source);
    File.Commit();
}

void TDBGridVzExport::ExportRecordRow(int Row) {
    for (int Col = 0; Col < FSource->ColCount(); ++Col) ExportDataCell(Row, Col);
}

void TDBGridVzExport::ExportFooterRow(int FooterRow) {
    for (int Col = 0; Col < FSource->ColCount(); ++Col)
        ExportFooterCell(FooterRow, Col, FSource->FooterText(FooterRow, Col));
}

void TDBGridVzExport::WriteBytes(const QByteArray& Bytes) {
    if (!Bytes.isEmpty()) FStream->WriteBuffer(Bytes.constData(), static_cast<Integer>(Bytes.size()));
}

void TDBGridVzImport::ImportFromStream(TStream* Stream, IGridExchangeTargetVz* Target) {
    FStream = Stream;
    FTarget = Target;
    Eos = false;
    FIgnoreAll = false;
    struct TFinish {
        TDBGridVzImport* Self;
        ~TFinish() { Self->FinishImport(); }
    } Finish{this};
    ReadPrefix();
    while (!Eos) ImportRecord();
}

void TDBGridVzImport::ImportFromFile(const String& FileName, IGridExchangeTargetVz* Target) {
    TFileStream File(FileName, fmOpenRead | fmShareDenyWrite);
    ImportFromStream(&File, Target);
}

namespace {
// Thrown to stop an import the user declined to go on with.
struct TImportStopped {};
}  // namespace

bool TDBGridVzImport::GuardedWrite(const std::function<void()>& Write) {
    try {
        Write();
        return true;
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& E) {
        if (FIgnoreAll) return true;
        TViZevLanguageConsts* T = GetViZevLanguageConsts();
        String Message = T->ErrorDuringInsertValue() + u'\n' + E.Message() + u"\n\n"_S + T->IgnoreError();
        TImportErrorAnswerVz Answer;
        if (OnImportError) {
            Answer = OnImportError(Message);
        } else {
            int R = MessageDlg(Message, mtError, TMsgDlgButtons{mbYes, mbNo, mbAll}, 0);
            Answer = R == mrYes ? ieaYes : R == mrAll ? ieaAll : ieaNo;
        }
        if (Answer == ieaAll) FIgnoreAll = true;
        return Answer != ieaNo;
    }
}

namespace {
std::vector<TGridExchangeFormatVz>& Formats() {
    static std::vector<TGridExchangeFormatVz> List;
    return List;
}
}  // namespace

void RegisterGridExchangeFormatVz(const TGridExchangeFormatVz& Format) {
    for (TGridExchangeFormatVz& F : Formats())
        if (F.Name == Format.Name) {
            F = Format;
            return;
        }
    Formats().push_back(Format);
}

const TGridExchangeFormatVz* FindGridExchangeFormatVz(const String& Name) {
    for (const TGridExchangeFormatVz& F : Formats())
        if (F.Name == Name) return &F;
    return nullptr;
}

const std::vector<TGridExchangeFormatVz>& GridExchangeFormatsVz() { return Formats(); }

void RegisterGridExchangeFormatsVz() {
    RegisterGridExchangeFormatVz({u"Text"_S, [] { return TOwned<TDBGridVzExport>(NewOwned<TDBGridVzExportAsText>()); },
                                  [] { return TOwned<TDBGridVzImport>(NewOwned<TDBGridVzImportAsText>()); }});
    RegisterGridExchangeFormatVz(
        {u"Unicode text"_S, [] { return TOwned<TDBGridVzExport>(NewOwned<TDBGridVzExportAsUnicodeText>()); },
         [] { return TOwned<TDBGridVzImport>(NewOwned<TDBGridVzImportAsUnicodeText>()); }});
    RegisterGridExchangeFormatVz(
        {u"CSV"_S, [] { return TOwned<TDBGridVzExport>(NewOwned<TDBGridVzExportAsCSV>()); }, nullptr});
    RegisterGridExchangeFormatVz(
        {u"VCLDBIF"_S, [] { return TOwned<TDBGridVzExport>(NewOwned<TDBGridVzExportAsVCLDBIF>()); },
         [] { return TOwned<TDBGridVzImport>(NewOwned<TDBGridVzImportAsVCLDBIF>()); }});
    RegisterGridExchangeFormatVz(
        {u"XML Spreadsheet"_S,
         [] { return TOwned<TDBGridVzExport>(NewOwned<TDBGridVzExportAsXMLSpreadsheet>()); }, nullptr});
}
