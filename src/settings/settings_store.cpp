#include "settings/settings_store.h"

#include <algorithm>
#include <charconv>

#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/ini.h"
#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::settings {
namespace {

constexpr const auto& kSoundFontKeys = MidiExtra::kSoundFontKeys;

// Every section and key of the model, in the order they are written. The
// same walk reads, writes and looks up, so the three can never disagree.
template <typename S, typename V>
void VisitAll(S& s, V& v) {
    auto& m = s.main;
    v.Section("Main");
    v.Text("Version", m.version);
    v.Packed("Position", m.position);
    v.Int("Show", m.show);
    v.Int("Caption", m.caption);
    v.Int("Menu", m.menu);
    v.Int("Zero", m.zero);
    v.Int("DigType", m.dig_type);
    v.Int("Downtime", m.downtime);
    v.Int("Sort", m.sort);
    v.Int("Word", m.word);
    v.Int("SpcCut", m.spc_cut);
    v.Int("Media", m.media);
    v.Int("Minimam", m.minimam);
    v.Int("Size", m.size);
    v.Int("SelCurDisp", m.sel_cur_disp);
    v.Int("Interval", m.interval);
    v.Int("Mini", m.mini);
    v.Int("POffChk", m.poff_chk);
    v.Packed("MidiInit", m.midi_init);
    v.Packed("MidiSmfk", m.midi_smfk);
    v.Int("WindowTop", m.window_top);
    v.Int("Icon", m.icon);
    v.Int("ToolTip", m.tool_tip);
    v.Int("VolSetStart", m.vol_set_start);
    v.Int("VolRestore", m.vol_restore);
    v.Int("VolChase", m.vol_chase);
    v.Int("VolFinely", m.vol_finely);
    v.Int("HiddenFile", m.hidden_file);
    v.Int("DispFileType", m.disp_file_type);
    v.Int("TrayIcon", m.tray_icon);
    v.Int("TrayIconDance", m.tray_icon_dance);
    v.Int("TrayStart", m.tray_start);
    v.Int("MiniStart", m.mini_start);
    v.Int("RcpPreference", m.rcp_preference);
    v.Int("CustBtn", m.cust_btn);
    v.Int("MainIconDance", m.main_icon_dance);
    v.Int("ListBoxTitle", m.list_box_title);
    v.Int("IconVer", m.icon_ver);
    v.Int("AtoBPauseTime", m.ato_b_pause_time);
    v.Packed("Font", m.font);
    v.Packed("Scroll", m.scroll);
    v.Int("Title_Bottom", m.title_bottom);
    v.Int("FileNameOnly", m.file_name_only);
    v.Int("RewPrev", m.rew_prev);
    v.Int("RewPrevTime", m.rew_prev_time);
    v.Int("IntoTime", m.into_time);
    v.Packed("MuteVolume", m.mute_volume);
    v.Packed("DispClock", m.disp_clock);
    v.Int("DefPosition", m.def_position);
    v.Int("ScrennSaverOff", m.screen_saver_off);
    v.Int("Compulsion", m.compulsion);
    v.Int("DropMediaCheck", m.drop_media_check);
    v.Int("Transparence", m.transparence);
    v.Int("Splush", m.splash);
    v.Int("MciCheck", m.mci_check);

    auto& mv = s.movie;
    v.Section("Movie");
    v.Packed("Position", mv.position);
    v.Int("Size", mv.size);
    v.Int("Mute", mv.mute);
    v.Int("Palette", mv.palette);
    v.Int("StartActive", mv.start_active);
    v.Int("Caption", mv.caption);
    v.Int("CursorTen", mv.cursor_ten);
    v.Int("Maximam", mv.maximam);
    v.Int("ForciblyMax", mv.forcibly_max);
    v.Int("SubClass", mv.sub_class);
    v.Int("Active", mv.active);
    v.Int("DefPosition", mv.def_position);
    v.Int("ActiveMovie", mv.active_movie);

    auto& w = s.word;
    v.Section("Word");
    v.Packed("Position", w.position);
    v.Packed("Font", w.font);
    v.Int("Exec", w.exec);
    v.Int("Stop", w.stop);
    v.Int("Graphic", w.graphic);
    v.Int("Caption", w.caption);
    v.Int("CursorTen", w.cursor_ten);
    v.Int("Just", w.just);
    v.Int("BeforeJust", w.before_just);
    v.Int("FullScreen", w.full_screen);
    v.Int("DirectDraw", w.direct_draw);
    v.Int("Lyrics", w.lyrics);
    v.Int("LyricsEncoding", w.lyrics_encoding);

    auto& cd = s.cd;
    v.Section("Cd");
    v.Int("InsertCheck", cd.insert_check);
    v.Int("InsertTime", cd.insert_time);
    v.Int("InsertStart", cd.insert_start);
    v.Int("InsertMulti", cd.insert_multi);
    v.Int("ChangeMsg", cd.change_msg);
    v.Int("Multi", cd.multi);
    v.Packed("MultiCdSel", cd.multi_cd_sel);
    v.Int("MutiRandom", cd.muti_random);
    v.Int("ReadTime", cd.read_time);
    v.Int("SmoothPlay", cd.smooth_play);

    for (std::size_t kind = 0; kind < s.kinds.size(); ++kind) {
        auto& k = s.kinds[kind];
        v.Section(kKindSections[kind]);
        v.Text("Path", k.path);
        v.Int("SubCode", k.sub_code);
        v.Int("Mode", k.mode);
        v.Int("Random", k.random);
        v.Int("Intro", k.intro);
        v.Int("SubFolder", k.sub_folder);
        v.Packed("Volume", k.volume);
        v.Text("Port", k.port);
        if (kind == 0) {
            auto& mid = s.midi;
            v.Int("DlgView", mid.dlg_view);
            v.Text(kSoundFontKeys[0], mid.sound_fonts[0]);
            for (std::size_t i = 1; i < mid.sound_fonts.size(); ++i)
                v.TextIfSet(kSoundFontKeys[i], mid.sound_fonts[i]);
            v.Int("LoopMode", mid.loop_mode);
            v.Int("LoopCount", mid.loop_count);
            v.Int("LoopFade", mid.loop_fade);
            v.Text("Mt32Port", mid.mt32_port);
        }
    }

    v.Section("Cd\\Title");
    v.Packed("Separat", s.cd_title.separat);
    v.Int("Save", s.cd_title.save);

    auto& mi = s.mini;
    v.Section("Mini");
    v.Packed("Position", mi.position);
    v.Int("Title", mi.title);
    v.Packed("Mini", mi.size);
    v.Packed("Scroll", mi.scroll);
    v.Packed("Font", mi.font);
    v.Packed("Color", mi.color);
    v.Int("3DType", mi.three_d_type);
    v.Int("WindowTop", mi.window_top);
    v.Int("MouseWndBtm", mi.mouse_wnd_btm);
    v.Int("AccelShift", mi.accel_shift);
    v.Int("PlayTime", mi.play_time);
    v.Int("DefPosition", mi.def_position);
    v.Int("TitleFix", mi.title_fix);
    v.Int("ScrlTime", mi.scrl_time);
    v.Int("SliderFunction", mi.slider_function);
    v.Int("DoubleClick", mi.double_click);
    v.Int("Caption", mi.caption);
    v.Int("Compact", mi.compact);

    v.Section("Mini\\Picture");
    v.Text("Midi", s.mini_picture.midi);
    v.Packed("Type", s.mini_picture.type);
    v.Packed("Color", s.mini_picture.color);
    v.Int("Transparence", s.mini_picture.transparence);

    v.Section("Tool");
    v.Int("UserTmp", s.tool.user_tmp);
    v.Text("TmpDir", s.tool.tmp_dir);

    v.Section("Tool\\Archive");
    v.Int("DlgView", s.archive.dlg_view);
    v.Int("Yes", s.archive.yes);
    v.Int("Drop", s.archive.drop);

    v.Section("Level");
    v.Int("Midi", s.level.midi);
    v.Int("Media", s.level.media);
    v.Int("Target", s.level.target);

    v.Section("Export");
    v.Text("Folder", s.export_.folder);
    v.Int("Format", s.export_.format);

    v.Section("Tool\\Smfk");
    v.Int("Used", s.smfk.used);
    v.Text("File", s.smfk.file);
    v.Int("Jv", s.smfk.jv);
    v.Int("Mac", s.smfk.mac);
    v.Int("P", s.smfk.p);
    v.Int("Bank", s.smfk.bank);
    v.Int("DlgView", s.smfk.dlg_view);

    v.Section("Tool\\Rcpcv");
    v.Int("Used", s.rcpcv.used);
    v.Text("File", s.rcpcv.file);
    v.Int("DlgView", s.rcpcv.dlg_view);

    v.Section("Tool\\MacCut");
    v.Int("Used", s.mac_cut.used);
    v.Text("File", s.mac_cut.file);

    v.Section("Tool\\Susie");
    v.Text("Path", s.susie.path);

    v.Section("Mp3");
    v.Text("File", s.mp3.file);
    v.Int("DlgView", s.mp3.dlg_view);
    v.Int("Wait", s.mp3.wait);

    v.Section("FileCopy");
    v.Text("File", s.file_copy.file);
    v.Int("Used", s.file_copy.used);
    v.Int("DlgView", s.file_copy.dlg_view);

    auto& t = s.timer;
    v.Section("Timer");
    v.Int("Sleep", t.sleep);
    v.Int("SleepOff", t.sleep_off);
    v.Packed("OnTimer1", t.on_timer1);
    v.Packed("OffTimer1", t.off_timer1);
    v.Packed("OnTimer2", t.on_timer2);
    v.Packed("OffTimer2", t.off_timer2);
    v.Packed("File", t.file);

    v.Section("Color");
    v.Packed("CDArea", s.color.cd_area);
    v.Packed("TimeArea", s.color.time_area);
    v.Packed("FileArea", s.color.file_area);

    v.Section("Font");
    v.Packed("FileArea", s.file_area.font);

    v.Section("3DType");
    v.Int("FileArea", s.file_area.three_d_type);

    auto& cat = s.catalog;
    v.Section("Catalog");
    v.Int("ListBoxTitle", cat.list_box_title);
    v.Int("DispFileType", cat.disp_file_type);
    for (int kind : {0, 2, 3}) {
        auto& k = cat.kinds[static_cast<std::size_t>(kind)];
        v.Section("Catalog\\" + std::string(media::CatalogKindWord(kind)));
        v.Int("ArcCheck", k.arc_check);
        v.Int("ArcCheckType", k.arc_check_type);
    }
    v.Section("Catalog\\Sort");
    v.Int("Mode", cat.sort_mode);
    v.Int("Distinction", cat.sort_distinction);
    v.Section("Catalog\\Drive");
    v.Int("Mode", cat.drive_mode);
    v.Section("Catalog\\ReTitle");
    v.Int("AllFile", cat.retitle_all_files);
    v.Int("SpcCut", cat.retitle_space_cut);

    v.Section("Winexec");
    for (std::size_t i = 0; i < media::kRelatedKeyCount; ++i) v.Text(media::RelatedKeys()[i], s.winexec.commands[i]);
    v.Int("Stop", s.winexec.stop);
    v.Int("End", s.winexec.end);

    v.Section("Hotkey");
    for (int i = 0; i < kHotkeyCount; ++i)
        v.Packed(LoadString(strings::kFirstHotkeyName + i), s.hotkey.keys[static_cast<std::size_t>(i)]);
}

bool ParseInt(std::string_view text, int& out) {
    text = text::TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || text.empty()) return false;
    out = v;
    return true;
}

class Reader {
public:
    explicit Reader(const ini::Document& doc) : doc_(doc) {}
    void Section(std::string_view name) { section_ = name; }
    void Int(std::string_view key, int& field) {
        if (auto v = doc_.Get(section_, key)) ParseInt(*v, field);
    }
    void Text(std::string_view key, std::string& field) {
        if (auto v = doc_.Get(section_, key)) field = std::move(*v);
    }
    void TextIfSet(std::string_view key, std::string& field) { Text(key, field); }
    template <typename T>
    void Packed(std::string_view key, T& field) {
        auto v = doc_.Get(section_, key);
        if (!v) return;
        T parsed = field;
        if (parsed.Parse(*v)) field = parsed;
    }

private:
    const ini::Document& doc_;
    std::string section_;
};

class Writer {
public:
    explicit Writer(ini::Document& doc) : doc_(doc) {}
    void Section(std::string_view name) { section_ = name; }
    void Int(std::string_view key, const int& field) { doc_.Set(section_, key, std::to_string(field)); }
    void Text(std::string_view key, const std::string& field) { doc_.Set(section_, key, field); }
    // A key that is left out of the file while it has no value.
    void TextIfSet(std::string_view key, const std::string& field) {
        if (field.empty()) doc_.RemoveKey(section_, key);
        else doc_.Set(section_, key, field);
    }
    template <typename T>
    void Packed(std::string_view key, const T& field) {
        doc_.Set(section_, key, field.Format());
    }

private:
    ini::Document& doc_;
    std::string section_;
};

// Writes only the keys of one section and the sections below it.
class SectionWriter {
public:
    SectionWriter(ini::Document& doc, std::string_view section) : writer_(doc), want_(section) {}
    void Section(std::string_view name) {
        const bool below = name.size() > want_.size() && name[want_.size()] == '\\' &&
                           text::EqualsIgnoreAsciiCase(name.substr(0, want_.size()), want_);
        on_ = below || text::EqualsIgnoreAsciiCase(name, want_);
        writer_.Section(name);
    }
    void Int(std::string_view key, const int& field) {
        if (on_) writer_.Int(key, field);
    }
    void Text(std::string_view key, const std::string& field) {
        if (on_) writer_.Text(key, field);
    }
    void TextIfSet(std::string_view key, const std::string& field) {
        if (on_) writer_.TextIfSet(key, field);
    }
    template <typename T>
    void Packed(std::string_view key, const T& field) {
        if (on_) writer_.Packed(key, field);
    }

private:
    Writer writer_;
    std::string_view want_;
    bool on_ = false;
};

class Finder {
public:
    Finder(std::string_view section, std::string_view key) : want_section_(section), want_key_(key) {}
    void Section(std::string_view name) { in_section_ = text::EqualsIgnoreAsciiCase(name, want_section_); }
    void Int(std::string_view key, const int& field) {
        if (Match(key)) found_ = std::to_string(field);
    }
    void Text(std::string_view key, const std::string& field) {
        if (Match(key)) found_ = field;
    }
    void TextIfSet(std::string_view key, const std::string& field) { Text(key, field); }
    template <typename T>
    void Packed(std::string_view key, const T& field) {
        if (Match(key)) found_ = field.Format();
    }
    std::optional<std::string> found() const { return found_; }

private:
    bool Match(std::string_view key) const {
        return in_section_ && !found_ && text::EqualsIgnoreAsciiCase(key, want_key_);
    }
    std::string_view want_section_;
    std::string_view want_key_;
    bool in_section_ = false;
    std::optional<std::string> found_;
};

// Sets one key from its stored text, as reading the file would; nothing
// changes when the text does not parse.
class Assigner {
public:
    Assigner(std::string_view section, std::string_view key, std::string_view value)
        : want_section_(section), want_key_(key), value_(value) {}
    void Section(std::string_view name) { in_section_ = text::EqualsIgnoreAsciiCase(name, want_section_); }
    void Int(std::string_view key, int& field) {
        if (Match(key)) done_ = ParseInt(value_, field);
    }
    void Text(std::string_view key, std::string& field) {
        if (Match(key)) field = std::string(value_), done_ = true;
    }
    void TextIfSet(std::string_view key, std::string& field) { Text(key, field); }
    template <typename T>
    void Packed(std::string_view key, T& field) {
        if (!Match(key)) return;
        T parsed = field;
        done_ = parsed.Parse(value_);
        if (done_) field = parsed;
    }
    std::optional<bool> done() const { return matched_ ? std::optional<bool>(done_) : std::nullopt; }

private:
    bool Match(std::string_view key) {
        if (!in_section_ || matched_ || !text::EqualsIgnoreAsciiCase(key, want_key_)) return false;
        matched_ = true;
        return true;
    }
    std::string_view want_section_;
    std::string_view want_key_;
    std::string_view value_;
    bool in_section_ = false;
    bool matched_ = false;
    bool done_ = false;
};

// The ranges every reader of the settings may count on.
void Normalize(Settings& s) {
    if (s.main.title_bottom < 10) s.main.title_bottom = 10;
    // The frame's timer and the playback clock tick no faster than this.
    if (s.main.interval < 10) s.main.interval = 10;
    auto& hk = s.hotkey.keys;
    for (int i = 0; i < kHotkeyCount; ++i) hk[static_cast<std::size_t>(i)].id = kFirstHotkeyId + i;
    auto& midi = s.midi;
    if (midi.loop_mode != 0 && midi.loop_mode != 1) midi.loop_mode = 1;
    midi.loop_count = std::clamp(midi.loop_count, 1, 99);
    midi.loop_fade = std::clamp(midi.loop_fade, 0, 60);
    s.level.target = std::clamp(s.level.target, -40, -6);
    if (s.export_.format < 0 || s.export_.format > 3) s.export_.format = 1;
}

// What is written: the font chain without gaps.
Settings Compacted(const Settings& s) {
    Settings c = s;
    c.midi.SetSoundFontChain(s.midi.SoundFontChain());
    return c;
}

constexpr std::size_t kMaxSettingsFile = 64u << 20;

}  // namespace

std::vector<std::string> MidiExtra::SoundFontChain() const {
    std::vector<std::string> chain;
    for (const std::string& font : sound_fonts)
        if (!text::TrimBlanks(font).empty()) chain.push_back(font);
    return chain;
}

void MidiExtra::SetSoundFontChain(const std::vector<std::string>& chain) {
    sound_fonts = {};
    std::size_t slot = 0;
    for (const std::string& font : chain)
        if (!text::TrimBlanks(font).empty() && slot < sound_fonts.size()) sound_fonts[slot++] = font;
}

std::array<HotkeyRecord, kHotkeyCount> HotkeySection::DefaultHotkeys() {
    // Virtual keys and modifier bits (1 Shift, 2 Ctrl, 4 Alt, 8 extended);
    // every record starts disabled.
    static constexpr int kDefaults[kHotkeyCount][2] = {
        {37, 11}, {13, 3}, {39, 11}, {32, 3}, {27, 1}, {69, 3}, {77, 3}, {67, 3}, {65, 3},
        {87, 3},  {70, 3}, {38, 11}, {40, 11}, {96, 2}, {86, 3}, {39, 10}, {37, 10},
    };
    std::array<HotkeyRecord, kHotkeyCount> keys{};
    for (int i = 0; i < kHotkeyCount; ++i)
        keys[static_cast<std::size_t>(i)] = {0, kFirstHotkeyId + i, kDefaults[i][0], kDefaults[i][1]};
    return keys;
}

Settings ReadSettings(const ini::Document& doc, const std::string& program_folder) {
    Settings s;
    s.susie.path = program_folder;
    Reader reader(doc);
    VisitAll(s, reader);
    s.drives = path::DriveMapFromEntries(doc.Entries("Drives"));
    // Only here and when written: a key set alone (the options sheet) stays
    // in its slot.
    s.midi.SetSoundFontChain(s.midi.SoundFontChain());
    Normalize(s);
    return s;
}

void WriteSettings(const Settings& s, ini::Document& doc) {
    Writer writer(doc);
    const Settings c = Compacted(s);
    VisitAll(c, writer);
    doc.RemoveSection("Drives");
    for (const auto& [letter, folder] : s.drives) doc.Set("Drives", std::string(1, letter), folder);
}

std::optional<std::string> FormatSetting(const Settings& s, std::string_view section, std::string_view key) {
    Finder finder(section, key);
    VisitAll(s, finder);
    if (finder.found()) return finder.found();
    if (text::EqualsIgnoreAsciiCase(section, "Drives")) {
        if (auto letter = path::DriveKeyLetter(key)) {
            auto it = s.drives.find(*letter);
            return it == s.drives.end() ? std::string() : it->second;
        }
    }
    return std::nullopt;
}

bool ParseSetting(Settings& s, std::string_view section, std::string_view key, std::string_view value) {
    Assigner assigner(section, key, value);
    VisitAll(s, assigner);
    if (auto done = assigner.done()) {
        if (*done) Normalize(s);
        return *done;
    }
    return false;
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

SettingsStore::FileState SettingsStore::LoadBytes(std::string& out) const {
    std::error_code ec;
    auto bytes = fileio::ReadFile(path_, kMaxSettingsFile + 1, &ec);
    if (!bytes) return ec == std::errc::no_such_file_or_directory ? FileState::Missing : FileState::Damaged;
    std::string_view body = *bytes;
    if (body.starts_with(text::kUtf8Bom)) body.remove_prefix(text::kUtf8Bom.size());
    if (bytes->size() > kMaxSettingsFile || body.find('\0') != std::string_view::npos ||
        !text::IsValidUtf8(body))
        return FileState::Damaged;
    out = std::move(*bytes);
    return FileState::Good;
}

SettingsStore::FileState SettingsStore::Load(ini::Document& doc) const {
    std::string bytes;
    FileState state = LoadBytes(bytes);
    if (state == FileState::Good) doc = ini::Document::Parse(bytes, ini::Encoding::Utf8);
    return state;
}

Settings SettingsStore::ReadAll() {
    ini::Document doc(ini::Encoding::Utf8);
    damaged_ = Load(doc) == FileState::Damaged;
    if (damaged_) doc = ini::Document(ini::Encoding::Utf8);
    return ReadSettings(doc, folders::ProgramFolder());
}

std::error_code SettingsStore::WriteAll(const Settings& s) {
    if (auto ec = folders::EnsureFolder(path::SplitPath(path_).folder)) return ec;
    ini::Document doc(ini::Encoding::Utf8);
    FileState state = Load(doc);
    if (state == FileState::Damaged) {
        doc = ini::Document(ini::Encoding::Utf8);
        // The old file goes aside whole, however big, before it is replaced;
        // one that cannot be read (permissions, a read error, not a file)
        // is never replaced.
        int r = files::CopyFile(path_, path_ + ".damaged", {});
        if (r != files::kCopyWritten)
            return r > 0 ? std::error_code(r, std::generic_category()) : std::make_error_code(std::errc::io_error);
    }
    WriteSettings(s, doc);
    if (auto ec = ini::SaveFile(path_, doc)) return ec;
    damaged_ = false;
    return {};
}

std::error_code SettingsStore::WriteSection(const Settings& s, std::string_view section) {
    ini::Document doc(ini::Encoding::Utf8);
    if (Load(doc) == FileState::Damaged) return std::make_error_code(std::errc::io_error);
    SectionWriter writer(doc, section);
    const Settings c = Compacted(s);
    VisitAll(c, writer);
    if (auto ec = folders::EnsureFolder(path::SplitPath(path_).folder)) return ec;
    return ini::SaveFile(path_, doc);
}

std::optional<std::string> SettingsStore::ReadKey(std::string_view section, std::string_view key) const {
    // The CD lookup reads single keys of a big index: no document is built.
    std::string bytes;
    if (LoadBytes(bytes) != FileState::Good) return std::nullopt;
    return ini::FindValue(bytes, section, key, ini::Encoding::Utf8);
}

std::vector<std::pair<std::string, std::string>> SettingsStore::ReadSection(std::string_view section) const {
    ini::Document doc(ini::Encoding::Utf8);
    if (Load(doc) != FileState::Good) return {};
    return doc.Entries(section);
}

std::error_code SettingsStore::WriteKey(std::string_view section, std::string_view key,
                                        std::optional<std::string_view> value) {
    ini::Document doc(ini::Encoding::Utf8);
    FileState state = Load(doc);
    if (state == FileState::Damaged) return std::make_error_code(std::errc::io_error);
    if (value) {
        if (!doc.Set(section, key, *value)) return std::make_error_code(std::errc::invalid_argument);
    } else if (!doc.RemoveKey(section, key)) {
        return {};
    }
    if (auto ec = folders::EnsureFolder(path::SplitPath(path_).folder)) return ec;
    return ini::SaveFile(path_, doc);
}

std::error_code SettingsStore::WriteKeys(std::string_view section,
                                         const std::vector<std::pair<std::string, std::string>>& values) {
    if (values.empty()) return {};
    ini::Document doc(ini::Encoding::Utf8);
    FileState state = Load(doc);
    if (state == FileState::Damaged) return std::make_error_code(std::errc::io_error);
    for (const auto& [key, value] : values)
        if (!doc.Set(section, key, value)) return std::make_error_code(std::errc::invalid_argument);
    if (auto ec = folders::EnsureFolder(path::SplitPath(path_).folder)) return ec;
    return ini::SaveFile(path_, doc);
}

std::error_code SettingsStore::RemoveSection(std::string_view section) {
    ini::Document doc(ini::Encoding::Utf8);
    FileState state = Load(doc);
    if (state == FileState::Damaged) return std::make_error_code(std::errc::io_error);
    if (!doc.RemoveSection(section)) return {};
    return ini::SaveFile(path_, doc);
}

}  // namespace nuko::settings
