// String-table entries as Qt text, for the widgets.
#pragma once

#include <QString>

#include "nuko/strings.h"

namespace nuko {

inline QString LoadQString(int id) {
    const std::string_view s = LoadString(id);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace nuko
