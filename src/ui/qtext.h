// Conversions between the program's GBK texts and the widgets' Unicode strings.
#pragma once

#include "core/text.h"

#include <QString>

namespace pv {

QString toQString(const Text& gbk);
Text fromQString(const QString& s);
// A UTF-8 literal of the source (captions, messages) as program text.
inline Text gbk(const char* utf8) {
    return utf8ToGbk(utf8);
}

} // namespace pv
