#include "report/rpexportfilter.h"

#include "platform/rtl/lists.h"

// ---- the filter base ------------------------------------------------------------------------------

TRpExportFilter::TRpExportFilter(const String& AFilename) : FFilename(AFilename), finalDoc(NewOwned<TStringList>()) {}

const TRpRunState& TRpExportFilter::NoRun() {
    static const TRpRunState None;
    return None;
}

TRpExportFilter::~TRpExportFilter() = default;

// ---- the registry ---------------------------------------------------------------------------------

TRpExportFilterLibrary::TRpExportFilterLibrary() = default;

TRpExportFilterLibrary::~TRpExportFilterLibrary() = default;

void TRpExportFilterLibrary::AddFilter(TRpExportFilterClass AFilter) {
    if (!AFilter) return;
    auto Entry = std::make_unique<TRpExportFilterLibraryEntry>();
    {
        TOwned<TRpExportFilter> Instance(AFilter->Create(String()));
        Entry->ExportFilterClass = AFilter;
        Entry->FilterName = Instance->Name();
        Entry->Extension = Instance->FileExtension();
    }
    const String ClassName = AFilter->Class->ClassName();
    for (const auto& E : FFilters)
        if (E->ExportFilterClass->Class->ClassName() == ClassName) return;
    FFilters.push_back(std::move(Entry));
}

void TRpExportFilterLibrary::RemoveFilter(TRpExportFilterClass AFilter) {
    try {
        if (!AFilter) return;
        TOwned<TRpExportFilter> Instance(AFilter->Create(String()));
        const String Name = Instance->Name();
        for (auto It = FFilters.begin(); It != FFilters.end(); ++It)
            if ((*It)->FilterName == Name) {
                FFilters.erase(It);
                return;
            }
    } catch (...) {
        // a filter that cannot be made is simply not removed
    }
}

TRpExportFilterLibraryEntry* TRpExportFilterLibrary::GetFilterByExtension(const String& fext) {
    for (const auto& E : FFilters)
        if (E->Extension.compare(fext, Qt::CaseInsensitive) == 0) return E.get();
    return nullptr;
}

String TRpExportFilterLibrary::SaveDialogFilterString() const {
    String S = QStringLiteral("Raport file(*.RPP)|*.RPP");
    for (const auto& E : FFilters)
        S += u'|' + E->FilterName + QStringLiteral(" (*.") + E->Extension + QStringLiteral(")|*.") + E->Extension;
    return S;
}

TRpExportFilterLibrary* RpExportFilterLibrary() {
    static TOwned<TRpExportFilterLibrary> Library = NewOwned<TRpExportFilterLibrary>();
    return Library.get();
}
