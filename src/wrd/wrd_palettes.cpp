#include "wrd_palettes.h"

namespace nuko::wrd {

ColorTable ToColorTable(const Palette& palette) {
    ColorTable t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = Color::FromRgb12(palette[i]);
    return t;
}

Palette FromColorTable(const ColorTable& colors) {
    Palette p{};
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = colors[i].Rgb12();
    return p;
}

void PaletteBank::Reset() {
    bank_ = {};
    bank_[0] = kResetPalette;
    pages_ = {kResetPalette, kResetPalette};
    fade_target_.reset();
    fade_ = {};
}

bool PaletteBank::MoveTowardTarget() {
    if (!fade_target_) return true;
    bool arrived = true;
    for (std::size_t i = 0; i < 16; ++i) {
        int now = bank_[0][i];
        int want = (*fade_target_)[i] & 0xFFF;
        int moved = 0;
        for (int shift = 0; shift <= 8; shift += 4) {
            int c = (now >> shift) & 15;
            int t = (want >> shift) & 15;
            if (c < t) ++c;
            else if (c > t) --c;
            if (c != t) arrived = false;
            moved |= c << shift;
        }
        bank_[0][i] = static_cast<std::uint16_t>(moved);
    }
    return arrived;
}

}  // namespace nuko::wrd
