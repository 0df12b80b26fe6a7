// Property interceptors of the grid library: they stand in for a component while a storage
// mechanism writes or reads its properties. TStoragePropertyInterceptor is the base,
// TFormStoragePropertyInterceptor keeps a form's placement and rescales it to the screen's
// resolution when read back. Interceptor classes are registered per target class.
#pragma once

#include "grid/core/settingskeepervz.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/rtl/classes.h"

#include <utility>
#include <vector>

// ---- property interceptors ----------------------------------------------------------------------

class TStoragePropertyInterceptor : public TPersistent {
    SDELKA_CLASS(TStoragePropertyInterceptor, TPersistent)
public:
    // The virtual constructor: TClassInfo::CreateObject(Target) makes an interceptor of any
    // registered class.
    explicit TStoragePropertyInterceptor(TObject* ATarget) : FTarget(ATarget) {}
    TObject* Target() const { return FTarget; }
    virtual bool NeedIntercept() { return true; }
    // Called after the properties were read from a stream.
    virtual void Readed() {}

private:
    TObject* FTarget = nullptr;
};

class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
    SDELKA_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
public:
    // Takes the form's normal placement, window state and active control, and the screen's
    // pixels per inch.
    explicit TFormStoragePropertyInterceptor(TObject* ATarget);
    // Published: Left, Top, Width, Height, PixelsPerInch; ActiveControl and WindowState are
    // written into the interceptor only (never stored).
    static void Published(TPublished<TFormStoragePropertyInterceptor>& P);

    // The target's current normal placement (0 when the target is not a form).
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int Value) { FLeft = Value; FPosPresent = true; }
    void SetTop(int Value) { FTop = Value; FPosPresent = true; }
    void SetWidth(int Value) { FWidth = Value; }
    void SetHeight(int Value) { FHeight = Value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Value) { FActiveControl = Value; }

    // Rescales the stored placement to the screen and applies it to the form.
    void Readed() override;
    TRect GetNotmalFormPlacement() { return TRect(); }

private:
    TCustomForm* Form() const;
    TWinControl* FActiveControl = nullptr;
    int FHeight = 0;
    int FLeft = 0;
    int FPixelsPerInch = 0;
    bool FPosPresent = false;
    int FTop = 0;
    int FWidth = 0;
    TWindowState FWindowState = wsNormal;
};

// Registers the interceptor class for a target class, replacing earlier registrations for it.
// (TCustomForm, TFormStoragePropertyInterceptor) is registered from the start.
void RegisterClassPropertyInterceptorVz(TClass TargetClass, TClass InterceptorClass);
// The registered (target class, interceptor class) pairs, in registration order.
std::vector<std::pair<TClass, TClass>> RegisteredClassPropertyInterceptorsVz();
