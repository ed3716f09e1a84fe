// The player's settings: one typed model of every section and key, with the
// defaults and packed formats the store has always had. Plain data; the
// SettingsStore reads and writes it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "library/catalog_editor.h"
#include "library/related_files.h"
#include "settings/packed_value.h"

namespace nuko::settings {

inline constexpr const char* kVersionText = "Ver 2.27";

// The classic button-face colour, for colour settings that default to it.
inline constexpr std::uint32_t kButtonFaceColor = Rgb(192, 192, 192);

struct MainSection {
    std::string version;
    WindowRect position;  // empty: 5,5 and the natural size
    int show = 5;
    int caption = 1;
    int menu = 1;
    int zero = 0;
    int dig_type = 0;
    int downtime = 1;
    int sort = 1;
    int word = 1;
    int spc_cut = 1;
    int media = 0;
    int minimam = 0;
    int size = 1;
    int sel_cur_disp = 0;
    int interval = 40;
    int mini = 0;
    int poff_chk = 1;
    FlagPath midi_init;
    FlagPath midi_smfk;
    int window_top = 0;
    int icon = 0;
    int tool_tip = 1;
    int vol_set_start = 0;
    int vol_restore = 0;
    int vol_chase = 1;
    int vol_finely = 31;
    int hidden_file = 0;
    int disp_file_type = 1;
    int tray_icon = 0;
    int tray_icon_dance = 1;
    int tray_start = 0;
    int mini_start = 0;
    int rcp_preference = 0;
    int cust_btn = 0;
    int main_icon_dance = 0;
    int list_box_title = 0;
    int icon_ver = 1;
    int ato_b_pause_time = 0;
    MainFont font;
    IntFields<6> scroll{{1, 2, 100, 1, 0, 1}};
    int title_bottom = 48;
    int file_name_only = 0;
    int rew_prev = 1;
    int rew_prev_time = 0;
    int into_time = 10;
    VolumeSetting mute_volume{"", 50, 50};
    IntFields<2> disp_clock{{0, 0}};
    int def_position = 0;
    int screen_saver_off = 0;
    int compulsion = 0;
    int drop_media_check = 1;
    int transparence = 0;
    int splash = 1;
    int mci_check = 1;

    // The main window's rectangle at start: the stored one, else 5,5 with
    // the natural size the panels need.
    WindowRect InitialRect(int natural_width, int natural_height) const {
        if (position.set) return position;
        return {true, 5, 5, 5 + natural_width, 5 + natural_height};
    }

    // Whether the mini window is shown at start: MiniStart 1 forces it on,
    // 2 forces it off, anything else keeps Mini.
    bool MiniAtStart() const { return mini_start == 1 ? true : mini_start == 2 ? false : mini != 0; }
};

struct MovieSection {
    WindowRect position{true, 0, 0, 100, 100};
    int size = 1;
    int mute = 0;
    int palette = 0;
    int start_active = 1;
    int caption = 1;
    int cursor_ten = 1;
    int maximam = 0;
    int forcibly_max = 0;
    int sub_class = 0;
    int active = 0;
    int def_position = 0;
    int active_movie = 1;
};

struct WordSection {
    IntFields<2> position{{0, 0}};
    FaceFont font{"ＭＳ 明朝", 16, 0};
    int exec = 1;
    int stop = 0;
    int graphic = 1;
    int caption = 0;
    int cursor_ten = 0;
    int just = 0;
    int before_just = 0;
    int full_screen = 0;
    int direct_draw = 0;
    // Ours: a song without a script shows the lyrics inside it, and the
    // encoding of a MIDI song's texts (0 decided per song, 1 CP932,
    // 2 UTF-8, 3 EUC-JP).
    int lyrics = 1;
    int lyrics_encoding = 0;
};

struct CdSection {
    int insert_check = 0;
    int insert_time = 3000;
    int insert_start = 0;
    int insert_multi = 0;
    int change_msg = 1;
    int multi = 0;
    CdDriveSelection multi_cd_sel;
    int muti_random = 1;
    int read_time = 150;
    int smooth_play = 0;
};

// The keys that each media kind's section (Midi, Cd, Movie, Wave) holds.
struct KindSection {
    std::string path;
    int sub_code = 0;
    int mode = 2;
    int random = 0;
    int intro = 0;
    int sub_folder = 0;
    VolumeSetting volume;
    std::string port;
};

struct MidiExtra {
    // Keys "SoundFont" (the first, as older files have it) and
    // "SoundFont2" .. "SoundFont8".
    static constexpr std::size_t kSoundFontSlots = 8;
    static constexpr std::array<const char*, kSoundFontSlots> kSoundFontKeys = {
        "SoundFont", "SoundFont2", "SoundFont3", "SoundFont4", "SoundFont5", "SoundFont6", "SoundFont7", "SoundFont8"};

    int dlg_view = 1;
    // The internal synthesizer's font chain, first font first; read and
    // written without gaps (empty slots at the end). All empty: the
    // system's fonts.
    std::array<std::string, kSoundFontSlots> sound_fonts;
    // Songs with loop markers: 0 play through, 1 loop `loop_count` times
    // (1..99) then fade out over `loop_fade` seconds (0..60).
    int loop_mode = 1;
    int loop_count = 2;
    int loop_fade = 8;
    // The ALSA port MT-32 songs play on; empty: the synthesizer.
    std::string mt32_port;

    // The fonts of the chain, in order, without the empty slots.
    std::vector<std::string> SoundFontChain() const;
    // Takes a chain (at most kSoundFontSlots fonts; empty names skipped).
    void SetSoundFontChain(const std::vector<std::string>& chain);
};

struct CdTitleSection {
    IntFields<4> separat{{25, 40, 300, 30}};
    int save = 0;
};

struct MiniSection {
    IntFields<2> position{{10, 10}};
    int title = 1;
    WindowSize size;
    IntFields<5> scroll{{1, 2, 100, 1, 0}};
    FaceFont font{"ＭＳ 明朝", 0, 0};
    ColorPair color{0, Rgb(0, 255, 255), 0};
    int three_d_type = 0;
    int window_top = 0;
    int mouse_wnd_btm = 0;
    int accel_shift = 1;
    int play_time = 1;
    int def_position = 0;
    int title_fix = 0;
    int scrl_time = 0;
    int slider_function = 0;
    int double_click = 0;
    // Keys of our own: the window's caption ("ｷｬﾌﾟｼｮﾝを表示") and the
    // compact layout it was left in ("MINI").
    int caption = 1;
    int compact = 0;
};

struct MiniPictureSection {
    std::string midi;
    IntFields<3> type{{0, 1, 0}};
    IntFields<2> color{{1, static_cast<int>(kButtonFaceColor)}};
    int transparence = 0;
};

struct ToolSection {
    int user_tmp = 0;
    std::string tmp_dir;
};

struct ArchiveTool {
    int dlg_view = 0;
    int yes = 1;
    int drop = -1;
};

struct SmfkTool {
    int used = 1;
    std::string file = "$Nu-kop_Smfk$.mid";
    int jv = -1;
    int mac = -1;
    int p = -1;
    int bank = -1;
    int dlg_view = 1;
};

struct RcpcvTool {
    int used = 0;
    std::string file = "$Nu-kop_Rcpcv$.mid";
    int dlg_view = 1;
};

struct MacCutTool {
    int used = 1;
    std::string file = "$Nu-kop_MacCut$.mid";
};

struct SusieTool {
    std::string path;  // the program folder when missing
};

struct Mp3Section {
    std::string file = "$Nu-kop_Mp3$.wav";
    int dlg_view = 1;
    int wait = 0;
};

struct FileCopySection {
    std::string file = "$Nu-kop_FileCopy$";
    int used = 0;
    int dlg_view = 1;
};

// The level normalisation ("Level"): MIDI songs (the MIDI page) and the
// other kinds (the sound page) each on or off, toward one target.
struct LevelSection {
    int midi = 0;
    int media = 0;
    int target = -18;  // LUFS, -40..-6
};

// The last choices of the export dialog ("Export").
struct ExportSection {
    std::string folder;  // empty: the music folder
    int format = 1;      // 0 WAVE, 1 FLAC, 2 Ogg Vorbis, 3 MP3
};

struct TimerSection {
    int sleep = 3600;
    int sleep_off = -1;
    ClockTimer on_timer1, off_timer1, on_timer2, off_timer2;
    FlagPath file;
};

struct ColorSection {
    ColorPair cd_area{Rgb(0, 0, 128), Rgb(255, 255, 255), 0};
    ColorPair time_area{0, Rgb(192, 192, 192), 0};
    ListColors file_area;  // the look of every file-area list
};

// Font and 3-D text type of every file-area list (sections "Font" and
// "3DType", key "FileArea").
struct FileAreaLook {
    LogFontSetting font;
    int three_d_type = 0;  // 0 plain, 1 raised, 2 sunken
};

inline constexpr int kHotkeyCount = 17;
inline constexpr int kFirstHotkeyId = 848;  // ids 848-864 are also the key names' string ids

struct HotkeySection {
    std::array<HotkeyRecord, kHotkeyCount> keys = DefaultHotkeys();
    static std::array<HotkeyRecord, kHotkeyCount> DefaultHotkeys();
};

// The media kinds' sections in kind order.
inline constexpr std::array<const char*, 4> kKindSections = {"Midi", "Cd", "Movie", "Wave"};

struct Settings {
    MainSection main;
    MovieSection movie;
    WordSection word;
    CdSection cd;
    std::array<KindSection, 4> kinds;  // indexed by media kind
    MidiExtra midi;
    CdTitleSection cd_title;
    MiniSection mini;
    MiniPictureSection mini_picture;
    ToolSection tool;
    ArchiveTool archive;
    SmfkTool smfk;
    RcpcvTool rcpcv;
    MacCutTool mac_cut;
    SusieTool susie;
    Mp3Section mp3;
    FileCopySection file_copy;
    LevelSection level;
    ExportSection export_;
    TimerSection timer;
    ColorSection color;
    FileAreaLook file_area;
    HotkeySection hotkey;
    // The catalog editor ("Catalog" and its sub-sections).
    media::CatalogEditorSettings catalog;
    // Related file execution ("Winexec").
    media::RelatedFileSettings winexec;
    // Linux folders that stand for Windows drive letters in legacy files.
    std::map<char, std::string> drives;
};

}  // namespace nuko::settings
