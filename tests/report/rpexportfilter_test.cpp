#include "report/rpexportfilter.h"

#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

class TPdfLikeFilter : public TRpExportFilter {
    SDELKA_CLASS(TPdfLikeFilter, TRpExportFilter)
protected:
    explicit TPdfLikeFilter(const String& F) : TRpExportFilter(F) {}

public:
    String GetName() override { return u"PDF document"_s; }
    String GetFileExtension() override { return u"PDF"_s; }
};

// Another class with the same extension, registered after the first one.
class TOtherPdfFilter : public TRpExportFilter {
    SDELKA_CLASS(TOtherPdfFilter, TRpExportFilter)
protected:
    explicit TOtherPdfFilter(const String& F) : TRpExportFilter(F) {}

public:
    String GetName() override { return u"Other PDF"_s; }
    String GetFileExtension() override { return u"pdf"_s; }
};

class TSheetFilter : public TRpExportFilter {
    SDELKA_CLASS(TSheetFilter, TRpExportFilter)
protected:
    explicit TSheetFilter(const String& F) : TRpExportFilter(F) {}

public:
    String GetName() override { return u"Excel workbook"_s; }
    String GetFileExtension() override { return u"XLSX"_s; }
};

TEST(RpExportFilter, TheBaseKeepsItsNameAndActiveFlagAndALineList) {
    TOwned<TRpExportFilter> F(RpExportFilterClass<TPdfLikeFilter>()->Create(u"/tmp/a.pdf"_s));
    EXPECT_EQ(F->Filename(), u"/tmp/a.pdf"_s);
    EXPECT_FALSE(F->Active());
    EXPECT_EQ(F->Owner(), nullptr);
    ASSERT_NE(F->FinalDoc(), nullptr);
    EXPECT_EQ(F->FinalDoc()->Count(), 0);
    EXPECT_FALSE(F->Streaming());
    F->Start(2100, 2970, nullptr);
    EXPECT_TRUE(F->Active());
    F->Finish();
    EXPECT_FALSE(F->Active());
    EXPECT_FALSE(F->Vendor().isEmpty());
    EXPECT_EQ(RpExportFilterClass<TPdfLikeFilter>(), RpExportFilterClass<TPdfLikeFilter>());
}

TEST(RpExportFilterLibrary, RegistersOnceLooksUpByExtensionAndBuildsTheDialogString) {
    TOwned<TRpExportFilterLibrary> L = NewOwned<TRpExportFilterLibrary>();
    EXPECT_EQ(L->SaveDialogFilterString(), u"Raport file(*.RPP)|*.RPP"_s);
    EXPECT_EQ(L->GetFilterByExtension(u"PDF"_s), nullptr);

    L->AddFilter(RpExportFilterClass<TPdfLikeFilter>());
    L->AddFilter(RpExportFilterClass<TPdfLikeFilter>());
    ASSERT_EQ(L->Count(), 1);
    EXPECT_EQ(L->Filters(0)->FilterName, u"PDF document"_s);
    EXPECT_EQ(L->Filters(0)->Extension, u"PDF"_s);
    EXPECT_EQ(L->SaveDialogFilterString(), u"Raport file(*.RPP)|*.RPP|PDF document (*.PDF)|*.PDF"_s);

    L->AddFilter(RpExportFilterClass<TOtherPdfFilter>());
    L->AddFilter(RpExportFilterClass<TSheetFilter>());
    ASSERT_EQ(L->Count(), 3);
    for (const String& Ext : {u"pdf"_s, u"Pdf"_s, u"PDF"_s}) {
        TRpExportFilterLibraryEntry* E = L->GetFilterByExtension(Ext);
        ASSERT_NE(E, nullptr);
        EXPECT_EQ(E->ExportFilterClass, RpExportFilterClass<TPdfLikeFilter>());
    }
    EXPECT_EQ(L->GetFilterByExtension(u"xlsx"_s)->FilterName, u"Excel workbook"_s);
    EXPECT_EQ(L->GetFilterByExtension(u"RPX"_s), nullptr);
    EXPECT_EQ(L->SaveDialogFilterString(),
              u"Raport file(*.RPP)|*.RPP|PDF document (*.PDF)|*.PDF|Other PDF (*.pdf)|*.pdf|"
              u"Excel workbook (*.XLSX)|*.XLSX"_s);

    // the entry's class makes a filter for the chosen file
    TOwned<TRpExportFilter> F(L->GetFilterByExtension(u"XLSX"_s)->ExportFilterClass->Create(u"out.xlsx"_s));
    EXPECT_TRUE(F->InheritsFrom(TSheetFilter::StaticClass()));
    EXPECT_EQ(F->Filename(), u"out.xlsx"_s);

    // removal goes by the filter's Name
    L->RemoveFilter(RpExportFilterClass<TPdfLikeFilter>());
    ASSERT_EQ(L->Count(), 2);
    EXPECT_EQ(L->GetFilterByExtension(u"PDF"_s)->FilterName, u"Other PDF"_s);
    L->RemoveFilter(RpExportFilterClass<TPdfLikeFilter>());
    EXPECT_EQ(L->Count(), 2);
}

TEST(RpExportFilterLibrary, TheProcessWideRegistryIsOne) {
    EXPECT_NE(RpExportFilterLibrary(), nullptr);
    EXPECT_EQ(RpExportFilterLibrary(), RpExportFilterLibrary());
}

}  // namespace
