#include "nuko/wrd_picture.h"

#include <algorithm>

namespace nuko::wrd {

namespace {

int FloorMod(int v, int m) { return ((v % m) + m) % m; }

// Copies `count` points of a source row, every `step`-th from `from`, to
// dst[0..count).
void CopyPoints(const std::uint8_t* src, int from, int step, int count, std::uint8_t* dst) {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(from) * step;
    if (step == 1) {
        for (int i = 0; i < count; ++i) dst[i] = s[i] & 15;
    } else {
        for (int i = 0; i < count; ++i) dst[i] = s[static_cast<std::ptrdiff_t>(i) * step] & 15;
    }
}

}  // namespace

PlacedArea Place(const Picture& picture, const Placement& at) {
    if (picture.kind == PictureKind::Pho) return {0, 0, picture.width, picture.height};
    int reduction = std::max(1, at.reduction);
    int x = at.x == -1 ? picture.x : at.x;
    int y = at.y == -1 ? picture.y : at.y;
    x -= FloorMod(x, 8);
    int height = picture.double_lines ? picture.height * 2 : picture.height;
    return {x, y, picture.width / reduction, height / reduction};
}

std::size_t DrawPicture(const Picture& picture, PagePoints page, const Placement& at) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.points.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
        return 0;
    PlacedArea area = Place(picture, at);
    if (area.width <= 0 || area.height <= 0) return 0;
    int step = picture.kind == PictureKind::Pho ? 1 : std::max(1, at.reduction);
    int lines_per_row = picture.double_lines && picture.kind != PictureKind::Pho ? 2 : 1;
    bool wrap = picture.kind == PictureKind::Mag;

    // The destination columns of one row as at most two runs: the part that
    // fits and, for a MAG, the part that continues at the left edge.
    struct Run {
        int dst_x;
        int src_i;
        int count;
    } runs[2] = {};
    int run_count = 0;
    if (wrap) {
        int start = FloorMod(area.x, kPageWidth);
        int first = std::min(area.width, kPageWidth - start);
        runs[run_count++] = {start, 0, first};
        if (area.width > first) runs[run_count++] = {0, first, std::min(area.width - first, start)};
    } else {
        int left = std::max(area.x, 0);
        int right = std::min(area.x + area.width, kPageWidth);
        if (right > left) runs[run_count++] = {left, left - area.x, right - left};
    }

    std::size_t written = 0;
    for (int j = 0; j < area.height; ++j) {
        int py = area.y + j;
        if (py < 0) continue;
        if (py >= kPageHeight) break;
        int sy = j * step / lines_per_row;
        const std::uint8_t* src = picture.points.data() + static_cast<std::size_t>(sy) * static_cast<std::size_t>(picture.width);
        std::uint8_t* dst = page.data() + static_cast<std::size_t>(py) * kPageWidth;
        for (int r = 0; r < run_count; ++r) {
            CopyPoints(src, runs[r].src_i, step, runs[r].count, dst + runs[r].dst_x);
            written += static_cast<std::size_t>(runs[r].count);
        }
    }
    return written;
}

}  // namespace nuko::wrd
