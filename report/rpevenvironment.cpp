// Named expressions and their stream form.
#include "report/rpevenvironment.h"

#include "platform/rtl/filer.h"
#include "platform/rtl/sysutils.h"

// ---- TRpEvEnvironment -------------------------------------------------------------------------

TRpEvEnvironment::~TRpEvEnvironment() {
    // The entries' evaluators may name this environment as their shared one: it takes no more
    // prepare or unprepare requests from them.
    FDestroying = true;
    if (OwnDataSets) OwnDataSets->Free();
    OwnDataSets = nullptr;
    FDatasets = nullptr;
    Clear();
}

TRpEvEmbeddedFunction* TRpEvEnvironment::EmbeddedFunction(int Index) const {
    return static_cast<TRpEvEmbeddedFunction*>(Objects(Index));
}

void TRpEvEnvironment::Clear() {
    for (int i = Count() - 1; i >= 0; --i) {
        TRpEvEmbeddedFunction* f = EmbeddedFunction(i);
        if (!f) continue;
        TStringList::Delete(i);
        f->Free();
    }
    TStringList::Clear();
}

void TRpEvEnvironment::Delete(int Index) {
    TRpEvEmbeddedFunction* f = Index >= 0 && Index < Count() ? EmbeddedFunction(Index) : nullptr;
    TStringList::Delete(Index);
    if (f) f->Free();
}

void TRpEvEnvironment::Assign(TPersistent* Source) {
    auto* strings = dynamic_cast<TStrings*>(Source);
    if (!strings) {
        TStringList::Assign(Source);
        return;
    }
    if (Source == this) return;
    auto* env = dynamic_cast<TRpEvEnvironment*>(Source);
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < strings->Count(); ++i) {
            TRpEvEmbeddedFunction* from = env ? env->EmbeddedFunction(i) : nullptr;
            AddFunction(strings->Strings(i), from ? from->Expression() : String());
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TRpEvEnvironment::PrepareEntry(TRpEvEmbeddedFunction* F) {
    TRpEvaluator* ev = F->Evaluator();
    ev->SetDataSets(Datasets());
    ev->SetEnvironment(this);
    ev->SetContext(FContext);
    ev->Prepare(F->Expression());
}

void TRpEvEnvironment::AddFunction(const String& AName, const String& AExpression) {
    const String name = AName.toUpper();
    if (IndexOf(name) >= 0) return;
    TRpEvEmbeddedFunction* f = New<TRpEvEmbeddedFunction>(AExpression);
    AddObject(name, f);
    if (Prepared()) PrepareEntry(f);
}

void TRpEvEnvironment::DeleteFunction(const String& AName) {
    const int i = IndexOf(AName);
    if (i >= 0) Delete(i);
}

void TRpEvEnvironment::Prepare() {
    if (FDestroying) return;
    ++PrepareCount;
    if (PrepareCount != 1) return;
    for (int i = 0; i < Count(); ++i)
        if (TRpEvEmbeddedFunction* f = EmbeddedFunction(i)) PrepareEntry(f);
}

void TRpEvEnvironment::Unprepare() {
    if (FDestroying || (this == GlobalEnvironmentIfCreated() && EnvironmentUnpreparing)) return;
    const bool wasUnpreparing = EnvironmentUnpreparing;
    EnvironmentUnpreparing = true;
    try {
        if (PrepareCount > 0) --PrepareCount;
        if (PrepareCount == 0)
            for (int i = 0; i < Count(); ++i)
                if (TRpEvEmbeddedFunction* f = EmbeddedFunction(i)) f->Evaluator()->UnPrepare();
    } catch (...) {
        EnvironmentUnpreparing = wasUnpreparing;
        throw;
    }
    EnvironmentUnpreparing = wasUnpreparing;
}

TRpDataSetList* TRpEvEnvironment::Datasets() {
    if (!FDatasets) {
        OwnDataSets = New<TRpDataSetList>();
        FDatasets = OwnDataSets;
    }
    return FDatasets;
}

void TRpEvEnvironment::SetDatasets(TRpDataSetList* Value) {
    if (OwnDataSets && FDatasets == OwnDataSets && Value != OwnDataSets) {
        OwnDataSets->Free();
        OwnDataSets = nullptr;
    }
    FDatasets = Value;
}

TRpEvElement* TRpEvEnvironment::Element(const String& Name) {
    const int i = IndexOf(Name.toUpper());
    TRpEvEmbeddedFunction* f = i >= 0 ? EmbeddedFunction(i) : nullptr;
    if (!f) return New<TRpEvElementError>(Format(QStringLiteral("Unknown function : %s"), {Name}));
    return New<TRpEvElementWrapper>(f);
}

void TRpEvEnvironment::Value(const String& Name, TRpEvResult& Result) {
    const int i = IndexOf(Name.toUpper());
    TRpEvEmbeddedFunction* f = i >= 0 ? EmbeddedFunction(i) : nullptr;
    if (!f) {
        SetErrorResult(String(), Result);
        return;
    }
    f->Value(nullptr, Result);
}

TRpEvElement* TRpEvEnvironment::GetConstant(const String& Name) {
    TRpEvElement* e = Element(Name);
    TRpEvElement* r = nullptr;
    if (auto* w = dynamic_cast<TRpEvElementWrapper*>(e)) r = w->EmbeddedFunction()->Peek(0);
    e->Free();
    return r;
}

void TRpEvEnvironment::SetConstant(TRpEvElement* Constant, const TRpEvResult& Value) {
    if (auto* c = dynamic_cast<TRpEvElementConstant*>(Constant)) c->SetConstant(Value);
    else if (auto* s = dynamic_cast<TRpEvElementString*>(Constant); s && Value.Kind == resString) s->SetText(Value.StringVal);
}

void TRpEvEnvironment::SetStringConstant(TRpEvElement* Constant, const String& Value) {
    if (auto* s = dynamic_cast<TRpEvElementString*>(Constant)) s->SetText(Value);
}

void TRpEvEnvironment::SetIntegerConstant(TRpEvElement* Constant, Integer Value) {
    if (auto* c = dynamic_cast<TRpEvElementConstant*>(Constant)) {
        TRpEvResult r;
        r.Kind = resInt;
        r.intResult = Value;
        c->SetConstant(r);
    }
}

void TRpEvEnvironment::SetFloatConstant(TRpEvElement* Constant, double Value) {
    if (auto* c = dynamic_cast<TRpEvElementConstant*>(Constant)) {
        TRpEvResult r;
        r.Kind = resDouble;
        r.dblResult = Value;
        c->SetConstant(r);
    }
}

void TRpEvEnvironment::SetBooleanConstant(TRpEvElement* Constant, bool Value) {
    if (auto* c = dynamic_cast<TRpEvElementConstant*>(Constant)) {
        TRpEvResult r;
        r.Kind = resBool;
        r.booResult = Value;
        c->SetConstant(r);
    }
}

void TRpEvEnvironment::UpdateConstant(const String& Name, const TRpEvResult& Value) {
    SetConstant(GetConstant(Name), Value);
}

void TRpEvEnvironment::DefineProperties(TFiler* Filer) {
    TStringList::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("DATA"),
        [this](TReader* R) {
            R->ReadListBegin();
            int index = 0;
            while (!R->EndOfList()) {
                const String expression = R->ReadString();
                if (index >= Count())
                    throw EStringListError(QStringLiteral("List index out of bounds (%d)"), {index});
                TRpEvEmbeddedFunction* old = EmbeddedFunction(index);
                TRpEvEmbeddedFunction* f = New<TRpEvEmbeddedFunction>(expression);
                PutObject(index, f);
                if (old) old->Free();
                ++index;
            }
            R->ReadListEnd();
            // Names without an expression in the stream get an empty one, so every entry has its
            // own evaluator.
            for (int i = index; i < Count(); ++i)
                if (!EmbeddedFunction(i)) PutObject(i, New<TRpEvEmbeddedFunction>(String()));
        },
        [this](TWriter* W) {
            W->WriteListBegin();
            for (int i = 0; i < Count(); ++i) {
                TRpEvEmbeddedFunction* f = EmbeddedFunction(i);
                W->WriteString(f ? f->Expression() : String());
            }
            W->WriteListEnd();
        },
        true);
}

// ---- TRpEvEmbeddedFunction --------------------------------------------------------------------

TRpEvEmbeddedFunction::TRpEvEmbeddedFunction(const String& AExpression)
    : FEvaluator(New<TRpEvaluator>()), FExpression(AExpression) {}

TRpEvEmbeddedFunction::~TRpEvEmbeddedFunction() {
    TRpEvaluator* ev = FEvaluator;
    FEvaluator = nullptr;
    if (ev) ev->Free();
}

void TRpEvEmbeddedFunction::Value(TRpFiFo*, TRpEvResult& Result) {
    if (FInEvaluate) {
        SetErrorResult(QStringLiteral("Recursive calls not allowed"), Result);
        return;
    }
    FInEvaluate = true;
    try {
        FEvaluator->Value(Result);
    } catch (...) {
        FInEvaluate = false;
        throw;
    }
    FInEvaluate = false;
}

void TRpEvEmbeddedFunction::Reset() { FEvaluator->Reset(); }

TRpEvElement* TRpEvEmbeddedFunction::Peek(int Index) const {
    TRpFiFo* q = FEvaluator->Prepared() ? FEvaluator->FiFo() : nullptr;
    if (!q || Index < 0 || Index >= q->Count()) return nullptr;
    return q->Items(Index);
}

// ---- TRpEvElementWrapper ----------------------------------------------------------------------

void TRpEvElementWrapper::Value(TRpFiFo* FiFo, TRpEvResult& Result) { FEmbeddedFunction->Value(FiFo, Result); }
