#include "ui/qtext.h"

namespace pv {

QString toQString(const Text& gbk) {
    return QString::fromStdString(gbkToUtf8(gbk));
}

Text fromQString(const QString& s) {
    return utf8ToGbk(s.toStdString());
}

} // namespace pv
