// Pictures that place themselves in a rectangle (centred, fitted, filled, stretched, tiled ...),
// and the graphic providers that tell an image format from the first bytes of a blob, with the
// routines that load a picture from a blob field. Unreadable image data gives an empty picture,
// never an error.
#pragma once

#include "grid/base/toolsvz.h"
#include "platform/gui/imaging.h"
#include "platform/gui/types.h"

class TCanvas;
class TField;

class TPictureVz : public TPicture {
    SDELKA_CLASS(TPictureVz, TPicture)
public:
    TPictureVz() = default;

    // Where the picture lands in SrcRect with that placement.
    virtual TRect GetDestRect(const TRect& SrcRect, TImagePlacementVz Placement);
    // Draws the picture into DestRect; ipTileVz repeats it from the placed rectangle on (the
    // last tiles may overhang: the caller clips). ShiftPoint and ClipRect do not change the drawing.
    virtual void PaintTo(TCanvas* Canvas, const TRect& DestRect, TImagePlacementVz Placement,
                         const TPoint& ShiftPoint = TPoint(), const TRect& ClipRect = TRect());
};

// A provider recognises one image format by the first bytes of its data. Start holds Size bytes
// (a provider reads no further).
class TGraphicProviderVz : public TPersistent {
    SDELKA_CLASS(TGraphicProviderVz, TPersistent)
public:
    static TClass GetImageClassForStream(const Byte* Start, int Size) { return nullptr; }
};

// Bitmaps: data starting with "BM".
class TBMPGraphicProviderVz : public TGraphicProviderVz {
    SDELKA_CLASS(TBMPGraphicProviderVz, TGraphicProviderVz)
public:
    static TClass GetImageClassForStream(const Byte* Start, int Size);
};

using TGraphicProviderFuncVz = TClass (*)(const Byte* Start, int Size);
// Puts a provider first in the registry, unless it is there already.
void RegisterGraphicProviderVz(TClass ProviderClass, TGraphicProviderFuncVz GetImageClass);
template <class T>
void RegisterGraphicProviderVz() {
    RegisterGraphicProviderVz(T::StaticClass(), &T::GetImageClassForStream);
}
// The first answer of the providers in registry order, nullptr when none recognises the data.
TClass GetGraphicClassForStreamVz(const Byte* Start, int Size);
int GetGraphicProviderCountVz();

// A new graphic read from a blob field (the field's graphic header skipped when present), nullptr
// for no field or a field that is not a blob. Data of an unknown format is read as a bitmap, and
// unreadable data leaves the graphic empty.
TOwned<TGraphic> GetGraphicFromFieldVz(TField* Field);
void AssignPictureFromFieldVz(TField* Field, TPicture* Picture);
TOwned<TPicture> CreatePictureFromFieldVz(TField* Field);
