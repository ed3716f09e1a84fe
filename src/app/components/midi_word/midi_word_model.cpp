#include "app/components/midi_word/midi_word_model.h"

#include <algorithm>
#include <filesystem>

#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "wrd/midi_word_dib_frame.h"

namespace nuko::app {

WordRect KeepOnDesktop(WordRect r, WordRect desktop) {
    const int right = desktop.x + desktop.width;
    const int bottom = desktop.y + desktop.height;
    if (r.x + r.width <= desktop.x) r.x = desktop.x;
    else if (r.x >= right) r.x = std::max(desktop.x, right - r.width);
    if (r.y + r.height <= desktop.y) r.y = desktop.y;
    else if (r.y >= bottom) r.y = std::max(desktop.y, bottom - r.height);
    return r;
}

namespace {

long long Overlap(const WordRect& a, const WordRect& b) {
    const long long w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const long long h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

WordRect FirstPlaceBeside(WordRect owner, int width, int height, WordRect desktop) {
    const WordRect sides[] = {{owner.x + owner.width, owner.y, width, height},
                              {owner.x, owner.y + owner.height, width, height},
                              {owner.x - width, owner.y, width, height},
                              {owner.x, owner.y - height, width, height}};
    WordRect best{desktop.x, desktop.y, width, height};
    long long least = -1;
    for (WordRect r : sides) {
        // Slid along the edge it stands on until the desktop holds it.
        r.x = std::max(desktop.x, std::min(r.x, desktop.x + desktop.width - width));
        r.y = std::max(desktop.y, std::min(r.y, desktop.y + desktop.height - height));
        const long long covered = Overlap(r, owner);
        if (least < 0 || covered < least) {
            best = r;
            least = covered;
        }
        if (covered == 0) break;
    }
    return best;
}

WordRect FullScreenPicture(int width, int height, WordRect screen) {
    if (width <= 0 || height <= 0 || screen.width <= 0 || screen.height <= 0) return {screen.x, screen.y, 0, 0};
    int w = width, h = height;
    const int factor = std::min(screen.width / width, screen.height / height);
    if (factor >= 1) {
        w = width * factor;
        h = height * factor;
    } else if (static_cast<long long>(width) * screen.height > static_cast<long long>(height) * screen.width) {
        w = screen.width;
        h = static_cast<int>(static_cast<long long>(height) * screen.width / width);
    } else {
        h = screen.height;
        w = static_cast<int>(static_cast<long long>(width) * screen.height / height);
    }
    return {screen.x + (screen.width - w) / 2, screen.y + (screen.height - h) / 2, w, h};
}

WordKey WordKeyAction(int virtual_key, int modifiers, const settings::HotkeySection& hotkeys, bool full_screen,
                      bool can_full_screen) {
    // The records the window answers, in table order.
    struct Entry {
        int index;
        WordKey action;
    };
    constexpr Entry kHotkeyActions[] = {{0, WordKey::Previous}, {1, WordKey::Play}, {2, WordKey::Next},
                                        {3, WordKey::Stop},     {4, WordKey::Pause}, {10, WordKey::FullScreen}};
    WordKey action = WordKey::None;
    for (const Entry& e : kHotkeyActions) {
        const settings::HotkeyRecord& r = hotkeys.keys[static_cast<std::size_t>(e.index)];
        if (r.enabled == 1 && r.virtual_key == virtual_key && (r.modifiers & 7) == (modifiers & 7)) {
            action = e.action;
            break;
        }
    }
    if (action == WordKey::None && (modifiers & 7) == 0) {
        switch (virtual_key) {
            case vk::kEscape: action = WordKey::Pause; break;
            case vk::kSpace: action = WordKey::Stop; break;
            case vk::kLeft:
            case vk::kUp: action = WordKey::Previous; break;
            case vk::kRight:
            case vk::kDown: action = WordKey::Next; break;
            case vk::kReturn: action = WordKey::Play; break;
            case vk::kF: action = WordKey::FullScreen; break;
            default: break;
        }
    }
    if (action == WordKey::FullScreen) return can_full_screen ? action : WordKey::None;
    if (action != WordKey::None && !full_screen) return WordKey::None;
    return action;
}

MidiWordModel::MidiWordModel(wrd::GlyphSource* glyphs, Dispatcher* dispatcher)
    : glyphs_(glyphs), dispatcher_(dispatcher) {
    BuildScreen();
}

MidiWordModel::~MidiWordModel() = default;

void MidiWordModel::BuildScreen() {
    // Without graphics the text-only screen does: nothing of the pages is
    // kept or drawn.
    if (graphics_) frame_ = std::make_unique<wrd::CMidiWordDibFrame>(glyphs_, dispatcher_);
    else frame_ = std::make_unique<wrd::CMidiWordFrame>(glyphs_, dispatcher_);
    frame_->SetFont(word_.font.face, word_.font.height);
    frame_->SetOptions(word_.just == 1, word_.before_just == 1);
    frame_->SetRunOnlyWhileVisible(word_.stop == 1);
}

void MidiWordModel::ApplySettings(const settings::WordSection& word, bool word_on) {
    const bool font_changed = word.font.face != word_.font.face || word.font.height != word_.font.height;
    word_ = word;
    word_on_ = word_on;
    x_ = word.position.v[0];
    y_ = word.position.v[1];
    full_screen_mark_ = full_screen_mark_ || word.full_screen == 1;
    const bool graphics = word.graphic != 0;
    if (graphics != graphics_ && !open_) {
        graphics_ = graphics;
        BuildScreen();
        return;
    }
    if (font_changed) frame_->SetFont(word.font.face, word.font.height);
    frame_->SetOptions(word.just == 1, word.before_just == 1);
    frame_->SetRunOnlyWhileVisible(word.stop == 1);
}

void MidiWordModel::StoreSettings(settings::WordSection& word) const {
    word.position.v = {x_, y_};
    word.full_screen = full_screen_ || full_screen_mark_ ? 1 : 0;
}

bool MidiWordModel::SongStarted(media::MediaKind kind, const std::string& source) {
    playing_ = kind == media::MediaKind::Midi ? source : std::string();
    if (!word_on_ || playing_.empty() || !LoadFor(playing_)) {
        Close();
        return false;
    }
    return true;
}

bool MidiWordModel::SetWordOn(bool on) {
    word_on_ = on;
    if (!on) {
        Close();
        return false;
    }
    if (open_ || playing_.empty()) return open_;
    return LoadFor(playing_);
}

bool MidiWordModel::LoadLyricsFor(const std::string& source) {
    if (word_.lyrics != 1) return false;
    const media::SmfEncoding encoding = media::SmfEncodingFromSetting(word_.lyrics_encoding);
    std::optional<wrd::Lyrics> lyrics = wrd::ReadLyricsFile(source, encoding);
    if (!lyrics || lyrics->empty()) return false;
    media::TitleOptions options;
    options.smf_encoding = encoding;
    lyrics_ = std::make_unique<wrd::LyricScreen>(std::move(*lyrics), media::ReadMediaTitle(source, options).title2);
    open_ = true;
    song_ = source;
    frame_->SetVisible(true);
    frame_->ClearWithoutScript();
    lyrics_->Start(*frame_);
    return true;
}

bool MidiWordModel::LoadFor(const std::string& source) {
    lyrics_.reset();
    if (!frame_->LoadScript(source)) return LoadLyricsFor(source);
    open_ = true;
    song_ = source;
    frame_->SetVisible(true);
    frame_->ResetAndStart();
    media::TitleOptions options;
    options.want_title = false;
    const media::WaitRatio ratio = media::ReadMediaTitle(source, options).ratio;
    frame_->SetWaitRatio(ratio.beats, ratio.unit);
    return true;
}

void MidiWordModel::Close() {
    if (open_ && full_screen_) full_screen_mark_ = true;  // the next script's window takes it up
    full_screen_ = false;
    open_ = false;
    song_.clear();
    lyrics_.reset();
    frame_->FreeScript();
}

void MidiWordModel::Tick(std::uint32_t position) {
    if (!open_) return;
    if (lyrics_) {
        lyrics_->Show(*frame_, position);
        return;
    }
    frame_->OnWrdTick(static_cast<std::int32_t>(std::min<std::uint32_t>(position, 0x7FFFFFFF)));
}

void MidiWordModel::SetFullScreen(bool on) {
    full_screen_ = on && open_;
    full_screen_mark_ = false;
}

std::string MidiWordModel::ScriptPath() const {
    if (song_.empty()) return {};
    std::string script = path::ResolveCaseInsensitive(path::ReplaceExtension(song_, "wrd"));
    std::error_code ec;
    return std::filesystem::is_regular_file(script, ec) ? script : std::string();
}

}  // namespace nuko::app
