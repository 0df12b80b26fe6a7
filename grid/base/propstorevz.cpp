#include "grid/base/propstorevz.h"

#include "platform/rtl/sysutils.h"

#include <cmath>

// ---- interceptor registry -----------------------------------------------------------------------

namespace {
struct TInterceptorRegistry {
    std::vector<TClass> InterceptorClasses;
    std::vector<TClass> TargetClasses;
    TInterceptorRegistry() {
        // The unit's own registration.
        TargetClasses.push_back(TCustomForm::StaticClass());
        InterceptorClasses.push_back(TFormStoragePropertyInterceptor::StaticClass());
    }
};

TInterceptorRegistry& Registry() {
    static TInterceptorRegistry registry;
    return registry;
}
}  // namespace

void RegisterClassPropertyInterceptorVz(TClass TargetClass, TClass InterceptorClass) {
    TInterceptorRegistry& r = Registry();
    for (int i = static_cast<int>(r.TargetClasses.size()) - 1; i >= 0; --i) {
        if (r.TargetClasses[static_cast<std::size_t>(i)] != TargetClass) continue;
        r.TargetClasses.erase(r.TargetClasses.begin() + i);
        r.InterceptorClasses.erase(r.InterceptorClasses.begin() + i);
    }
    r.TargetClasses.push_back(TargetClass);
    r.InterceptorClasses.push_back(InterceptorClass);
}

std::vector<std::pair<TClass, TClass>> RegisteredClassPropertyInterceptorsVz() {
    TInterceptorRegistry& r = Registry();
    std::vector<std::pair<TClass, TClass>> pairs;
    for (std::size_t i = 0; i < r.TargetClasses.size(); ++i) pairs.emplace_back(r.TargetClasses[i], r.InterceptorClasses[i]);
    return pairs;
}

// ---- TFormStoragePropertyInterceptor ------------------------------------------------------------

namespace {
// The framework's MulDiv: Number * Numerator / Denominator, rounded to the nearest integer
// (halves away from zero).
int MulDivVz(int Number, int Numerator, int Denominator) {
    const long long p = static_cast<long long>(Number) * Numerator;
    const long double q = static_cast<long double>(p) / Denominator;
    return static_cast<int>(std::llround(q));
}

// The form's placement as it is when the form is in its normal state. The form keeps its bounds
// as the normal placement on this platform, also while it is shown maximised or minimised.
TRect NormalPlacement(TCustomForm* Form) {
    return Form->BoundsRect();
}

void SetNormalPlacement(TCustomForm* Form, const TRect& R) {
    const TWindowState state = Form->WindowState();
    Form->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Form->WindowState() != state) Form->SetWindowState(state);
}
}  // namespace

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TObject* ATarget) : TStoragePropertyInterceptor(ATarget) {
    if (TCustomForm* form = Form()) {
        const TRect r = NormalPlacement(form);
        FLeft = r.Left;
        FTop = r.Top;
        FWidth = r.Width();
        FHeight = r.Height();
        FWindowState = form->WindowState();
        FActiveControl = form->ActiveControl();
    }
    FPixelsPerInch = Screen->PixelsPerInch();
}

void TFormStoragePropertyInterceptor::Published(TPublished<TFormStoragePropertyInterceptor>& P) {
    using I = TFormStoragePropertyInterceptor;
    P.Component("ActiveControl", &I::ActiveControl, &I::SetActiveControl).Stored(false);
    P.Integer("Height", &I::Height, &I::SetHeight).NoDefault();
    P.Integer("Left", &I::Left, &I::SetLeft).NoDefault();
    P.Integer("PixelsPerInch", &I::PixelsPerInch, &I::SetPixelsPerInch).NoDefault();
    P.Integer("Top", &I::Top, &I::SetTop).NoDefault();
    P.Integer("Width", &I::Width, &I::SetWidth).NoDefault();
    P.Enum("WindowState", &I::WindowState, &I::SetWindowState, {"wsNormal", "wsMinimized", "wsMaximized"}).Stored(false);
}

TCustomForm* TFormStoragePropertyInterceptor::Form() const {
    TObject* t = Target();
    return t && t->Is<TCustomForm>() ? static_cast<TCustomForm*>(t) : nullptr;
}

int TFormStoragePropertyInterceptor::Left() const {
    TCustomForm* f = Form();
    return f ? NormalPlacement(f).Left : 0;
}

int TFormStoragePropertyInterceptor::Top() const {
    TCustomForm* f = Form();
    return f ? NormalPlacement(f).Top : 0;
}

int TFormStoragePropertyInterceptor::Width() const {
    TCustomForm* f = Form();
    return f ? NormalPlacement(f).Width() : 0;
}

int TFormStoragePropertyInterceptor::Height() const {
    TCustomForm* f = Form();
    return f ? NormalPlacement(f).Height() : 0;
}

void TFormStoragePropertyInterceptor::Readed() {
    TStoragePropertyInterceptor::Readed();
    // A placement stored without a resolution is taken as it is.
    if (FPixelsPerInch > 0) {
        const int ppi = Screen->PixelsPerInch();
        FHeight = MulDivVz(FHeight, ppi, FPixelsPerInch);
        FLeft = MulDivVz(FLeft, ppi, FPixelsPerInch);
        FTop = MulDivVz(FTop, ppi, FPixelsPerInch);
        FWidth = MulDivVz(FWidth, ppi, FPixelsPerInch);
    }
    TCustomForm* form = Form();
    if (!form) return;
    form->SetWindowState(FWindowState);
    form->SetActiveControl(FActiveControl);
    if (form->WindowState() != wsNormal) SetNormalPlacement(form, TRect(FLeft, FTop, FLeft + FWidth, FTop + FHeight));
    else form->SetBounds(FLeft, FTop, FWidth, FHeight);
    if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) &&
        !form->ComponentState().Contains(csDesigning) && FPosPresent)
        form->SetPosition(poDesigned);
}
