#include <QApplication>

#include "catalog_convert.h"
#include "convert_dialog.h"
#include "nu_32cnv.h"

extern "C" int32_t Nu_koFileConvertor(const char* path) {
    if (!path || !*path) return 0;
    using namespace nuko::catconvert;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return ConvertWithPrompts(path, DefaultTitleReader());
    ConvertDialog dialog(path, DefaultTitleReader(), QApplication::activeWindow());
    dialog.exec();
    return dialog.conversion_result();
}
