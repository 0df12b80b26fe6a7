// Report page files: the bytes are loaded as a page file through the page list, then every page is
// read in a jumping order (which walks the record chain both ways) and with its hyperlinks.
#include "fuzz/fuzz_target.h"

#include "platform/gui/metafile.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "report/rppages.h"

namespace {

void ReadPage(TRpPageList* List, int N) {
    try {
        (void)List->GetPage(N);
    } catch (const Exception&) {
        // A damaged record refuses itself; the others stay readable.
    }
}

void RunPageFile(const std::uint8_t* Data, std::size_t Size) {
    TOwned<TMemoryStream> source = NewOwned<TMemoryStream>();
    if (Size > 0) source->WriteBuffer(Data, static_cast<Integer>(Size));
    TOwned<TRpPageList> list = NewOwned<TRpPageList>();
    list->LoadFromStream(source.get());
    const int n = list->PageCount();
    for (const int page : {n, 1, n / 2 + 1, n, 2, n - 1}) ReadPage(list.get(), page);
    for (int page = 1; page <= n && page <= 32; ++page) {
        QByteArray metafile;
        THyperlinkList* links = nullptr;
        try {
            list->GetPageEx(page, metafile, links);
        } catch (const Exception&) {
        }
        if (links) links->Free();
    }
}

// Three pages with text and a rectangle, as a report stores them: plain, with hyperlink sections,
// and compressed.
std::vector<QByteArray> PageFileSeeds() {
    EnsureFuzzApplication();
    std::vector<QByteArray> pages;
    for (int i = 1; i <= 3; ++i) {
        TMetafileDC dc(96, 96, TSize(794, 1123));
        dc.ExtTextOut(38, 38, 0, nullptr, QStringLiteral("Страница %1").arg(i));
        dc.Rectangle(TRect(38, 76, 300, 150));
        const TRect frame(0, 0, 21000, 29700);
        pages.push_back(dc.Finish(&frame));
    }
    std::vector<QByteArray> seeds;
    for (int kind = 0; kind < 3; ++kind) {
        TOwned<TRpPageList> list = NewOwned<TRpPageList>();
        list->SetStream(New<TRpStream>(1000000));
        list->SetCompression(kind == 2);
        TOwned<THyperlinkList> links = NewOwned<THyperlinkList>();
        links->Add(New<THyperlink>(TRect(1, 2, 30, 40), QStringLiteral("Ссылка")));
        for (const QByteArray& p : pages) {
            if (kind == 1)
                list->AddPageEx(p, links.get());
            else
                list->AddPage(p);
        }
        list->Finish();
        TOwned<TMemoryStream> out = NewOwned<TMemoryStream>();
        list->SaveToStream(out.get());
        seeds.emplace_back(static_cast<const char*>(out->Memory()), static_cast<qsizetype>(out->Size()));
    }
    return seeds;
}

}  // namespace

SDELKA_FUZZ_TARGET("pagefile", RunPageFile, PageFileSeeds)
