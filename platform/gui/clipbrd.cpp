#include "platform/gui/clipbrd.h"

#include "platform/gui/imaging.h"
#include "platform/gui/rtf.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <memory>

namespace {

constexpr Word FirstRegisteredFormat = 0xC000;

QStringList& RegisteredNames() {
    static QStringList names;
    return names;
}

String MimeOf(Word Format) {
    const int i = Format - FirstRegisteredFormat;
    if (Format < FirstRegisteredFormat || i >= RegisteredNames().size()) return String();
    return QStringLiteral("application/x-sdelka-") + RegisteredNames().at(i);
}

bool IsTextFormat(Word Format) { return Format == CF_TEXT || Format == CF_OEMTEXT || Format == CF_UNICODETEXT; }
bool IsImageFormat(Word Format) { return Format == CF_BITMAP || Format == CF_DIB; }

QClipboard* System() { return QGuiApplication::clipboard(); }

TOwned<TClipboard>& GlobalClipboard() {
    static TOwned<TClipboard> clipboard;
    return clipboard;
}

}  // namespace

Word RegisterClipboardFormat(const String& Name) {
    if (Name.isEmpty()) return 0;
    QStringList& names = RegisteredNames();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(Name, Qt::CaseInsensitive) == 0) return static_cast<Word>(FirstRegisteredFormat + i);
    names.append(Name);
    return static_cast<Word>(FirstRegisteredFormat + names.size() - 1);
}

String GetClipboardFormatName(Word Format) {
    const int i = Format - FirstRegisteredFormat;
    if (Format < FirstRegisteredFormat || i >= RegisteredNames().size()) return String();
    return RegisteredNames().at(i);
}

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() {
    if (FOpenRefCount++ == 0) {
        FEmptied = false;
        FPending.reset();
    }
}

void TClipboard::Close() {
    if (FOpenRefCount == 0) return;
    if (--FOpenRefCount == 0 && FEmptied) {
        System()->setMimeData(FPending.release());
        FEmptied = false;
    }
}

const QMimeData* TClipboard::Current() {
    if (FOpenRefCount > 0 && FEmptied) return FPending.get();
    return System()->mimeData();
}

QMimeData* TClipboard::Adding() {
    if (FOpenRefCount > 0 && FEmptied) return FPending.get();
    FPending = std::make_unique<QMimeData>();
    FEmptied = true;
    return FPending.get();
}

void TClipboard::Done() {
    if (FOpenRefCount == 0) {
        System()->setMimeData(FPending.release());
        FEmptied = false;
    }
}

void TClipboard::Clear() {
    FPending = std::make_unique<QMimeData>();
    FEmptied = true;
    Done();
}

String TClipboard::AsText() {
    const QMimeData* data = Current();
    return data && data->hasText() ? data->text() : String();
}

void TClipboard::SetAsText(const String& Value) {
    Adding()->setText(Value);
    Done();
}

bool TClipboard::HasFormat(Word Format) {
    const QMimeData* data = Current();
    if (!data) return false;
    if (IsTextFormat(Format)) return data->hasText();
    if (IsImageFormat(Format)) return data->hasImage();
    const String mime = MimeOf(Format);
    return !mime.isEmpty() && data->hasFormat(mime);
}

int TClipboard::FormatCount() {
    int n = 0;
    while (Formats(n) != 0) ++n;
    return n;
}

Word TClipboard::Formats(int Index) {
    const QMimeData* data = Current();
    if (!data || Index < 0) return 0;
    std::vector<Word> list;
    if (data->hasText()) {
        list.push_back(CF_UNICODETEXT);
        list.push_back(CF_TEXT);
    }
    if (data->hasImage()) list.push_back(CF_BITMAP);
    for (int i = 0; i < RegisteredNames().size(); ++i) {
        const Word f = static_cast<Word>(FirstRegisteredFormat + i);
        if (data->hasFormat(MimeOf(f))) list.push_back(f);
    }
    return Index < static_cast<int>(list.size()) ? list[Index] : 0;
}

QByteArray TClipboard::GetAsHandle(Word Format) {
    const QMimeData* data = Current();
    if (!data) return QByteArray();
    if (IsTextFormat(Format)) {
        if (!data->hasText()) return QByteArray();
        const String text = data->text();
        if (Format == CF_UNICODETEXT) {
            QByteArray bytes;
            for (QChar c : text + QChar(0)) {
                bytes.append(static_cast<char>(c.unicode() & 0xFF));
                bytes.append(static_cast<char>(c.unicode() >> 8));
            }
            return bytes;
        }
        return StringToCodePage(text, 1251) + QByteArray(1, '\0');
    }
    if (IsImageFormat(Format)) {
        if (!data->hasImage()) return QByteArray();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(data->imageData()).save(&buffer, "BMP");
        return bytes;
    }
    const String mime = MimeOf(Format);
    return mime.isEmpty() ? QByteArray() : data->data(mime);
}

void TClipboard::SetAsHandle(Word Format, const QByteArray& Data) {
    if (IsTextFormat(Format)) {
        String text;
        if (Format == CF_UNICODETEXT) {
            for (qsizetype i = 0; i + 1 < Data.size(); i += 2) {
                const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(Data[i]) |
                                                         (static_cast<unsigned char>(Data[i + 1]) << 8));
                if (c == 0) break;
                text += QChar(c);
            }
        } else {
            const qsizetype end = Data.indexOf('\0');
            text = CodePageToString(end < 0 ? Data : Data.left(end), 1251);
        }
        SetAsText(text);
        return;
    }
    if (IsImageFormat(Format)) {
        Adding()->setImageData(QImage::fromData(Data));
        Done();
        return;
    }
    const String mime = MimeOf(Format);
    if (mime.isEmpty()) return;
    Adding()->setData(mime, Data);
    Done();
}

void TClipboard::Assign(TPersistent* Source) {
    TGraphic* graphic = nullptr;
    if (auto* picture = dynamic_cast<TPicture*>(Source))
        graphic = picture->Graphic();
    else
        graphic = dynamic_cast<TGraphic*>(Source);
    if (graphic) {
        Adding()->setImageData(graphic->ToImage());
        Done();
        return;
    }
    inherited::Assign(Source);
}

void TClipboard::AssignTo(TPersistent* Dest) {
    const QMimeData* data = Current();
    TBitmap* bitmap = dynamic_cast<TBitmap*>(Dest);
    TPicture* picture = dynamic_cast<TPicture*>(Dest);
    if ((bitmap || picture) && data && data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (picture) bitmap = picture->Bitmap();
        bitmap->SetImage(image);
        return;
    }
    inherited::AssignTo(Dest);
}

TClipboard* Clipboard() {
    auto& c = GlobalClipboard();
    if (!c) c = NewOwned<TClipboard>();
    return c.get();
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
    auto& c = GlobalClipboard();
    TClipboard* old = c.release();
    c.reset(NewClipboard);
    return old;
}
