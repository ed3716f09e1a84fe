// The row icons of the file area, one per icon code (0 neutral ... 17
// archive), drawn once at the requested size.
#pragma once

#include <QPixmap>

namespace nuko::media {

inline constexpr int kRowIconCount = 18;

QPixmap RowIcon(int code, int size);

}  // namespace nuko::media
