#include "platform/gui/fontfiles.h"

#include "platform/gui/graphics.h"
#include "platform/rtl/lists.h"

#include <QFontDatabase>

#include <QFile>
#include <QMutex>
#include <cmath>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include FT_ADVANCES_H

namespace {

// One FreeType library for the process; faces are made and freed under the same lock, since
// FreeType's library object is not thread-safe.
QMutex& LibraryLock() {
    static QMutex M;
    return M;
}

FT_Library Library() {
    static FT_Library L = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
        return lib;
    }();
    return L;
}

// The file and face index fontconfig chooses for a family in a weight and slant.
bool FindFile(const String& Family, bool Bold, bool Italic, QByteArray& File, int& Index) {
    if (!FcInit()) return false;
    FcPattern* Pat = FcPatternCreate();
    const QByteArray F = Family.toUtf8();
    FcPatternAddString(Pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(F.constData()));
    FcPatternAddInteger(Pat, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(Pat, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(Pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, Pat, FcMatchPattern);
    FcDefaultSubstitute(Pat);
    FcResult Res = FcResultNoMatch;
    FcPattern* Match = FcFontMatch(nullptr, Pat, &Res);
    bool Ok = false;
    if (Match) {
        FcChar8* Path = nullptr;
        int Idx = 0;
        if (FcPatternGetString(Match, FC_FILE, 0, &Path) == FcResultMatch && Path) {
            File = QByteArray(reinterpret_cast<const char*>(Path));
            if (FcPatternGetInteger(Match, FC_INDEX, 0, &Idx) != FcResultMatch) Idx = 0;
            Index = Idx;
            Ok = true;
        }
        FcPatternDestroy(Match);
    }
    FcPatternDestroy(Pat);
    return Ok;
}

}  // namespace

struct TFontFile::TFace {
    FT_Face Face = nullptr;
    int UnitsPerEm = 1000;
    ~TFace() {
        if (Face) {
            QMutexLocker Lock(&LibraryLock());
            FT_Done_Face(Face);
        }
    }
    int Scale(long V) const { return int(std::lround(double(V) * 1000.0 / UnitsPerEm)); }
};

TFontFile::TFontFile() = default;
TFontFile::~TFontFile() = default;

bool TFontFile::Load(const String& FaceName, bool Bold, bool Italic) {
    FFace.reset();
    FData.clear();
    QByteArray Path;
    int Index = 0;
    if (!FindFile(MapFontName(FaceName.trimmed()), Bold, Italic, Path, Index)) return false;
    QFile File(QString::fromUtf8(Path));
    if (!File.open(QIODevice::ReadOnly)) return false;
    FData = File.readAll();
    if (FData.isEmpty()) return false;

    auto Face = std::make_unique<TFace>();
    {
        QMutexLocker Lock(&LibraryLock());
        if (!Library()) return false;
        // FreeType reads the bytes in place: FData lives as long as the face.
        if (FT_New_Memory_Face(Library(), reinterpret_cast<const FT_Byte*>(FData.constData()), FT_Long(FData.size()),
                               Index, &Face->Face) != 0) {
            Face->Face = nullptr;
            FData.clear();
            return false;
        }
    }
    FT_Face F = Face->Face;
    Face->UnitsPerEm = F->units_per_EM > 0 ? F->units_per_EM : 1000;
    FFileName = QString::fromUtf8(Path);
    FFamilyName = QString::fromUtf8(F->family_name ? F->family_name : "");

    FT_ULong GlyfLength = 0;
    const bool HasGlyf = FT_IS_SFNT(F) && FT_Load_Sfnt_Table(F, TTAG_glyf, 0, nullptr, &GlyfLength) == 0;
    FTrueType = HasGlyf && Index == 0 && !FData.startsWith("ttcf");

    auto* OS2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(F, FT_SFNT_OS2));
    auto* Post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(F, FT_SFNT_POST));
    auto* Head = static_cast<TT_Header*>(FT_Get_Sfnt_Table(F, FT_SFNT_HEAD));
    FAscent = Face->Scale(F->ascender);
    FDescent = Face->Scale(F->descender);
    FCapHeight = OS2 && OS2->version >= 2 ? Face->Scale(OS2->sCapHeight) : FAscent;
    FFamilyClass = OS2 ? (OS2->sFamilyClass >> 8) & 0xFF : 0;
    FItalicAngle = Post ? double(Post->italicAngle) / 65536.0 : 0.0;
    FFixedPitch = FT_IS_FIXED_WIDTH(F);
    if (Head) {
        FBBox[0] = Face->Scale(Head->xMin);
        FBBox[1] = Face->Scale(Head->yMin);
        FBBox[2] = Face->Scale(Head->xMax);
        FBBox[3] = Face->Scale(Head->yMax);
    } else {
        FBBox[0] = Face->Scale(F->bbox.xMin);
        FBBox[1] = Face->Scale(F->bbox.yMin);
        FBBox[2] = Face->Scale(F->bbox.xMax);
        FBBox[3] = Face->Scale(F->bbox.yMax);
    }
    FFace = std::move(Face);
    return true;
}

bool TFontFile::HasGlyph(char32_t Ch) const { return FFace && FT_Get_Char_Index(FFace->Face, Ch) != 0; }

int TFontFile::CharWidth(char32_t Ch) const {
    if (!FFace) return 0;
    const FT_UInt G = FT_Get_Char_Index(FFace->Face, Ch);
    if (G == 0) return 0;
    FT_Fixed Advance = 0;
    if (FT_Get_Advance(FFace->Face, G, FT_LOAD_NO_SCALE, &Advance) != 0) return 0;
    return FFace->Scale(Advance);
}

void GetScreenFontNames(TStrings* List) {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families) List->Add(f);
}
