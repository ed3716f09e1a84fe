// Helpers shared by the files that implement the C exports.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <string_view>

#include <nu_32std.h>

#include "nuko/text.h"

namespace nuko::exports {

// Copies UTF-8 into a caller's buffer of `size` bytes, cut so that no
// character is split, always zero-terminated.
inline void CopyOut(std::string_view s, char* out, std::size_t size) {
    if (!out || size == 0) return;
    std::size_t n = text::Utf8CutLength(s, size - 1);
    std::memcpy(out, s.data(), n);
    out[n] = '\0';
}

// A progress callback of the C interface as the C++ routines take it; empty
// when the caller gave none.
inline std::function<void(int)> ProgressReporter(NuKoProgress progress, void* ctx) {
    if (!progress) return {};
    return [progress, ctx](int percent) { progress(ctx, percent); };
}

}  // namespace nuko::exports
