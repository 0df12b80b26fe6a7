#include "platform/rtl/sysutils.h"

#include "platform/rtl/exceptions.h"

// Placeholder until the full format engine lands: %s and %d in order.
String Format(const String& fmt, TVarRecs args) {
    String out;
    auto it = args.begin();
    for (int i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == u'%' && i + 1 < fmt.size()) {
            QChar c = fmt[++i];
            if (c == u'%') { out += c; continue; }
            if (it == args.end()) throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
            const TVarRec& a = *it++;
            switch (a.VType) {
                case TVarRec::vtInteger: case TVarRec::vtInt64: out += QString::number(a.VInt64); break;
                case TVarRec::vtUInt64: out += QString::number(a.VUInt64); break;
                default: out += a.VString; break;
            }
        } else out += fmt[i];
    }
    return out;
}
