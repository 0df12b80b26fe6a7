// XML report documents (".RPX"): the bytes are loaded as a document, its first and last pages are
// drawn as thumbnails and on a page bitmap, its texts are indexed, searched and rewritten, and it
// is converted to PDF and HTML.
#include "fuzz/fuzz_target.h"

#include "platform/gui/imaging.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rpxdocument.h"
#include "report/export/rpxmlfilter.h"

#include <QTemporaryDir>

namespace {

void RunXmlDoc(const std::uint8_t* Data, std::size_t Size) {
    EnsureFuzzApplication();
    TOwned<TMemoryStream> Source = NewOwned<TMemoryStream>();
    if (Size > 0) Source->WriteBuffer(Data, static_cast<Integer>(Size));
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    D->LoadFromStream(Source.get());
    if (!D->DocumentLoaded()) return;
    const int N = D->Pagecount();
    for (const int Page : {0, N - 1}) {
        TOwned<TBitmap> Thumb = D->RenderThumbnail(Page, TRect(0, 0, 60, 80));
        // Whole pages only where they are of a size a report has.
        if (D->Pagewidth() <= 600 && D->Pageheight() <= 600) {
            TBitmap Bmp;
            D->RenderPageToBM(&Bmp, Page);
            D->RenderPage(Page);
        }
    }
    D->MakeTextIndex();
    TOwned<TStringList> Results = NewOwned<TStringList>();
    D->FindText(QStringLiteral("а"), false, Results.get());
    D->ReNumberpages(QStringLiteral("#P"), QStringLiteral("#N"));
    D->ReplaceToken(QStringLiteral("е"), QStringLiteral("<&>"));
    if (!D->DocumentLoaded() || D->Pagewidth() > 600 || D->Pageheight() > 600) return;
    TOwned<TMemoryStream> Out = NewOwned<TMemoryStream>();
    D->SaveAsPDFStream(Out.get());
    static QTemporaryDir Pictures;
    Out->SetSize(0);
    D->SaveAsHTMLStream(Out.get(), Pictures.path());
    Out->SetSize(0);
    D->SaveToStream(Out.get());
}

QByteArray Hex(const QByteArray& B) { return B.toHex().toUpper(); }

// A document as the writer makes it (prolog, header, two pages) with every kind of item, and the
// same without its type definition.
std::vector<QByteArray> XmlDocSeeds() {
    EnsureFuzzApplication();
    TBitmap Pic;
    Pic.SetPixelFormat(pf24bit);
    Pic.SetSize(8, 6);
    TOwned<TMemoryStream> Bmp = NewOwned<TMemoryStream>();
    Pic.SaveToStream(Bmp.get());
    const QByteArray Bytes(static_cast<const char*>(Bmp->Memory()), static_cast<qsizetype>(Bmp->Size()));

    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(QString());
    TOwned<TStringList> L = NewOwned<TStringList>();
    F->LoadDTD(L.get());
    QByteArray Prolog = L->Text().toUtf8();
    QByteArray Body =
        "<RpXDocument>\r\n<Header Pagewidth=\"100.00\" Pageheight=\" 50.00\" PaperName=\"A4\" Units=\"mm\">\r\n"
        "   <Title>Табель</Title>\r\n   <Orientation>Portrait</Orientation>\r\n</Header>\r\n\r\n"
        "<Page Number=\"1\">\r\n"
        "<Item Type=\"Text\" LY=\"0\" Font=\"Arial\" X=\"10.00\" Y=\"5.00\" Height=\"10\" Color=\"#000000\" FR=\"  0\" "
        "FW=\"Bold\" Dec=\"Italic Underline Strike\" CID=\"L1\" DBR=\"1\" HA=\"L\" VA=\"T\" OX=\"10.00\" OY=\"5.00\" "
        "IW=\"500.00\" IH=\"50.00\">\r\nСтраница #P из #N &amp; всё\r\n</Item>\r\n"
        "<Item Type=\"Graphic\" LY=\"2\" X=\"5.00\" Y=\"20.00\" LW=\"0.26\" SP=\"0\" Width=\"30.00\" Height=\"10.00\" "
        "Color=\"#FF0000\" BC=\"#00FF00\" FT=\"SF\" CID=\"S1\" DBR=\"1\">\r\n</Item>\r\n"
        "<Item Type=\"Graphic\" LY=\"1\" X=\"5.00\" Y=\"35.00\" LW=\"0.50\" SP=\"6\" Width=\"30.00\" Height=\"10.00\" "
        "Color=\"#0000FF\" BC=\"#FFFFFF\" FT=\"Out\" CID=\"S2\" DBR=\"1\">\r\n</Item>\r\n"
        "<Item Type=\"Image\" X=\"50.00\" Y=\"20.00\" Width=\"8\" Height=\"6\" LY=\"1\" XS=\" 0.265\" YS=\" 0.265\" "
        "Cmp=\"lzw\" CID=\"I1\" DBR=\"1\">\r\n" + Hex(LZWEncode(Bytes)) + "\r\n</Item>\r\n"
        "<Item Type=\"Band\" X=\"0.00\" Y=\"0.00\" Width=\"300\" Height=\"40\" LY=\"1\" XS=\" 1.000\" YS=\" 1.000\" "
        "Cmp=\"none\" CID=\"B1\" DBR=\"1\"></Item>\r\n\r\n"
        "</Page>\r\n<Page Number=\"2\">\r\n"
        "<Item Type=\"Image\" X=\"5.00\" Y=\"5.00\" Width=\"8\" Height=\"6\" LY=\"1\" XS=\" 0.265\" YS=\" 0.265\" "
        "Cmp=\"None\" CID=\"I2\" DBR=\"2\">\r\n" + Hex(Bytes) + "\r\n</Item>\r\n"
        "<Item Type=\"Vector\">\r\n 1?10?20!2?110?20!5?255!9?2!3?1?1?40?40!11?Arial!12?9!10?5?5?Текст\r\n</Item>\r\n"
        "</Page>\r\n</RpXDocument>\r\n";
    return {QByteArray("\xEF\xBB\xBF") + Prolog + Body, Body};
}

}  // namespace

SDELKA_FUZZ_TARGET("xmldoc", RunXmlDoc, XmlDocSeeds)
