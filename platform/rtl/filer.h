// Component streaming: the binary form stream ("TPF0") written by TWriter and read by TReader,
// and the object text form with its converters.
//
// Binary form. Numbers are little-endian. A short string is a length byte and that many bytes
// of UTF-8 (cut at 255 bytes). A value is a TValueType tag and its data. A component record is:
// an optional prefix byte 0xF0 | flags (ffInherited, ffChildPos, ffInline) followed, with
// ffChildPos, by the child position as an integer value; the class name and the component name
// as short strings; the properties (name as a short string, then a value); vaNull; the child
// component records; vaNull. A root stream starts with the signature "TPF0".
//
// Texts are written by content (the framework's writer's rule): with U the UTF-8 byte count
// and N the UTF-16 length, when U < 2 * N the text goes as UTF-8 — vaString with a length byte
// when every byte is ASCII and U <= 255, vaLString with a 4-byte length when every byte is
// ASCII and longer, vaUTF8String with a 4-byte length otherwise —; else (Cyrillic, the empty
// text) as vaWString with a 4-byte count of UTF-16 code units. Extended values are 10 bytes of
// the 80-bit x87 format (64-bit mantissa with an explicit integer bit, 15-bit exponent, sign),
// converted explicitly so the bytes do not depend on the host's long double.
//
// Text form. "object Name: TClass" (or "inherited"/"inline"), indented properties
// "Name = value", children, "end". Identifiers bare, integers in decimal, floats with "." as the
// decimal separator (a trailing "s" marks single, "c" currency, "d" date), texts in single
// quotes with '' for a quote and #nnn for control characters and, in texts that are not plain
// ASCII, for every character above #127 (so the text form is pure ASCII), long texts split
// with " +" over lines, sets "[a, b]", lists "( ... )", collections "< item ... end >",
// binary data "{ hex }" in lines of 32 bytes, vaNil as nil and vaNull as Null.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

enum TValueType : Byte {
    vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
    vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
    vaInt64, vaUTF8String, vaDouble
};

enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = TSet<TFilerFlag, 8>;

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

// The common part of reader and writer: the stream, the root and the defined properties.
class TFiler : public TObject {
    SDELKA_CLASS(TFiler, TObject)
public:
    explicit TFiler(TStream* Stream);
    TStream* Stream() const { return FStream; }
    TComponent* Root() const { return FRoot; }
    virtual void SetRoot(TComponent* Value) { FRoot = Value; }
    TComponent* LookupRoot() const { return FLookupRoot; }
    TPersistent* Ancestor() const { return FAncestor; }
    void SetAncestor(TPersistent* Value) { FAncestor = Value; }
    bool IgnoreChildren() const { return FIgnoreChildren; }
    void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

    // A property stored by the object itself (the framework's DefineProperties). The writer
    // calls WriteData when HasData is true; the reader calls ReadData when it meets the name.
    virtual void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                                bool HasData) = 0;
    // The same for a block of bytes: WriteData fills a memory stream that is written as
    // vaBinary; ReadData gets a memory stream over the bytes read.
    virtual void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                                      bool HasData) = 0;
    virtual void FlushBuffer() {}

protected:
    TStream* FStream;
    TComponent* FRoot = nullptr;
    TComponent* FLookupRoot = nullptr;
    TPersistent* FAncestor = nullptr;
    bool FIgnoreChildren = false;
};

// Reader hooks (the framework's TReader events).
using TFindComponentClassEvent = TEvent<void(TReader* Reader, const String& ClassName, TClass& ComponentClass)>;
using TCreateComponentEvent = TEvent<void(TReader* Reader, TClass ComponentClass, TComponent*& Component)>;
using TAncestorNotFoundEvent =
    TEvent<void(TReader* Reader, const String& ComponentName, TClass ComponentClass, TComponent*& Component)>;
using TReaderError = TEvent<void(TReader* Reader, const String& Message, bool& Handled)>;
using TSetNameEvent = TEvent<void(TReader* Reader, TComponent* Component, String& Name)>;
using TReferenceNameEvent = TEvent<void(TReader* Reader, String& Name)>;
using TFindMethodEvent = TEvent<void(TReader* Reader, const String& MethodName, bool& Found, bool& Error)>;

class TReader : public TFiler {
    SDELKA_CLASS(TReader, TFiler)
public:
    explicit TReader(TStream* Stream);
    ~TReader() override;

    void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    // Values. Each Read checks the tag; a wrong tag raises EReadError "Invalid property value".
    TValueType ReadValue();
    TValueType NextValue();
    void CheckValue(TValueType Value);
    void SkipValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    Integer ReadInteger();
    Int64 ReadInt64();
    bool ReadBoolean();
    QChar ReadChar();
    Extended ReadFloat();   // vaExtended, vaDouble, vaSingle or an integer
    Single ReadSingle();
    double ReadDouble();
    Currency ReadCurrency();
    TDateTime ReadDate();
    String ReadString();    // any of the text tags
    String ReadIdent();     // vaIdent, and False/True/Null/nil for their tags
    String ReadStr();       // a bare short string (no tag)
    QByteArray ReadBinary();
    // Null for vaNull, Unassigned for vaNil; lists become arrays of Variant.
    Variant ReadVariant();
    // A set value: the members' names.
    std::vector<String> ReadSetNames();

    void ReadSignature();
    void ReadPrefix(TFilerFlags& Flags, Integer& AChildPos);
    // Reads one property (name and value) into Instance.
    void ReadProperty(TPersistent* Instance);
    // Properties up to vaNull, then the child components (DefineProperties first).
    void ReadData(TComponent* Instance);
    void ReadCollection(TCollection* Collection);

    // A whole component record. With Component nullptr the class is looked up and a new
    // component created with Owner; given a component, it is read into.
    TComponent* ReadComponent(TComponent* Component);
    // The signature and the root record; Root may be nullptr (created from the stream's class,
    // which must be registered). Fix-ups are resolved and Loaded called on every component read.
    TComponent* ReadRootComponent(TComponent* Root);
    // Reads child records until vaNull, created with AOwner and AParent; Proc gets each.
    void ReadComponents(TComponent* AOwner, TComponent* AParent, const std::function<void(TComponent*)>& Proc);

    TComponent* Owner() const { return FOwner; }
    void SetOwner(TComponent* Value) { FOwner = Value; }
    TComponent* Parent() const { return FParent; }
    void SetParent(TComponent* Value) { FParent = Value; }
    const String& PropName() const { return FPropName; }

    TFindComponentClassEvent OnFindComponentClass;
    TCreateComponentEvent OnCreateComponent;
    TAncestorNotFoundEvent OnAncestorNotFound;
    TReaderError OnError;
    TSetNameEvent OnSetName;
    TReferenceNameEvent OnReferenceName;
    TFindMethodEvent OnFindMethod;

    // Raises the read error unless OnError handles it.
    bool Error(const String& Message);
    // How deep components, collections and lists may nest in a stream; deeper raises EReadError
    // "Stream nested too deeply" (the converters and the text form keep the same limit).
    static constexpr int MaxNesting = 128;
    // The class of a stream's class name: OnFindComponentClass, then the registry, then
    // EClassNotFound "Class %s not found".
    TClass FindComponentClass(const String& ClassName);

protected:
    virtual void SetName(TComponent* Component, String& Name);
    virtual TComponent* FindAncestorComponent(const String& Name, TClass ComponentClass);

private:
    friend class TComponent;
    struct Fixup {
        TComponent* Root;  // the root the name is looked up from
        TPersistent* Instance;
        PPropInfo Prop;
        String Name;
    };
    void Read(void* Buf, Integer Count);
    Byte ReadByte();
    String ReadStringOf(TValueType t);
    void ReadPropValue(TPersistent* Instance, PPropInfo Prop);
    void SkipSetBody();
    void SkipBytes(Int64 Count);
    void PropertyError(const String& Name);
    void DoFixupReferences();
    void FreeLoadedOnFailure();
    TComponent* FindRootByName(const String& Name);

    TComponent* FOwner = nullptr;
    TComponent* FParent = nullptr;
    String FPropName;
    bool FCanHandleExcepts = false;
    std::vector<Fixup> FFixups;
    std::vector<TComponent*> FLoaded;
    bool FDefinedHandled = false;  // DefineProperty consumed the current property
    friend class TNestingGuard;
    int FNesting = 0;
};

class TWriter : public TFiler {
    SDELKA_CLASS(TWriter, TFiler)
public:
    explicit TWriter(TStream* Stream);

    void DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    void WriteValue(TValueType Value);
    void WriteListBegin();
    void WriteListEnd();
    // The shortest of vaInt8, vaInt16, vaInt32; vaInt64 only outside the 32-bit range.
    void WriteInteger(Int64 Value);
    void WriteBoolean(bool Value);
    void WriteChar(QChar Value);
    void WriteFloat(Extended Value);   // vaExtended
    void WriteSingle(Single Value);
    void WriteDouble(double Value);
    void WriteCurrency(Currency Value);
    void WriteDate(TDateTime Value);
    void WriteString(const String& Value);  // by content, see the top of this file
    void WriteWideString(const String& Value);
    void WriteUTF8Str(const String& Value);
    void WriteIdent(const String& Ident);
    void WriteStr(const String& Value);     // a bare short string (no tag)
    void WriteBinary(const QByteArray& Data);
    void WriteSet(const std::vector<String>& Names);
    // Empty as vaNil, Null as vaNull; integers, floats (Double as vaExtended), currency, dates,
    // booleans, texts; a byte array as vaBinary. Other arrays: EWriteError "Stream write error".
    void WriteVariant(const Variant& Value);

    void WriteSignature();
    void WritePrefix(TFilerFlags Flags, Integer AChildPos);
    // The published properties that are stored and not at their defaults, then the defined ones.
    void WriteProperties(TPersistent* Instance);
    void WriteProperty(TPersistent* Instance, PPropInfo Prop);
    void WriteCollection(TCollection* Value);
    // A component record with its children (through GetChildren of the component).
    void WriteComponent(TComponent* Component);
    // Properties, vaNull, children, vaNull (TComponent::WriteState ends here).
    void WriteData(TComponent* Instance);
    // The signature and the root record. WriteDescendent takes no ancestor in this runtime.
    void WriteRootComponent(TComponent* Root);
    void WriteDescendent(TComponent* Root, TComponent* AAncestor);

    const String& PropPath() const { return FPropPath; }

private:
    void Write(const void* Buf, Integer Count);
    void WriteByte(Byte b);
    void WritePropName(const String& Name);
    void WriteObjectProps(TPersistent* Value, const String& Prefix);

    String FPropPath;
};

// A stream's component in one call (the framework's TStream.WriteComponent/ReadComponent).
// Reading with Instance nullptr creates the root from its registered class.
void WriteComponentToStream(TStream* Stream, TComponent* Instance);
TComponent* ReadComponentFromStream(TStream* Stream, TComponent* Instance);

// Roots outside the stream being read (forms, data modules) that component references may name
// as "Root.Component". Screens and applications register a finder; references that resolve to
// nothing are left nil.
using TFindGlobalComponent = std::function<TComponent*(const String& Name)>;
void RegisterFindGlobalComponentProc(const TFindGlobalComponent& Proc);
void ClearFindGlobalComponentProcs();
TComponent* FindGlobalComponent(const String& Name);
// "Owner" is Root itself; "A.B" is B owned by A owned by Root; a first part not owned by Root is
// looked up among the global roots.
TComponent* FindNestedComponent(TComponent* Root, const String& NamePath);

// The text form.
enum TStreamOriginalFormat { sofUnknown, sofBinary, sofText, sofUTF8Text };
// Looks at the stream from its position (which it restores): "TPF0" is binary; "object",
// "inherited" or "inline" (after blanks) is text; the same after a UTF-8 byte-order mark is
// sofUTF8Text.
TStreamOriginalFormat TestStreamFormat(TStream* Stream);
// Converts one root record from the position of Input to the position of Output. Text input
// may start with a UTF-8 byte-order mark. Malformed text raises EParserError with the line.
void ObjectBinaryToText(TStream* Input, TStream* Output);
void ObjectTextToBinary(TStream* Input, TStream* Output);
// Convenience: the text form of a component and a component from text.
String ComponentToText(TComponent* Component);
TComponent* TextToComponent(const String& Text, TComponent* Instance);

SDELKA_EXCEPTION(EParserError, Exception)

// The 80-bit extended format, from and to the host's floating point.
void ExtendedToBytes(Extended Value, Byte Out[10]);
Extended BytesToExtended(const Byte In[10]);
