// The string ids the code names, by what their texts say. The numbers are
// fixed by the string tables (resources/strings.tsv for the program, and
// the converters' own tables below, whose ids overlap the program's); a
// "kFirst..." id is the base of a run of ids, computed as base + media kind
// or base + index. Comments give each text's meaning in short.
#pragma once

namespace nuko::strings {

// ---- Program and version ----
inline constexpr int kVersionText = 130;             // "Ver 2.27"
inline constexpr int kConfirmQuit = 142;             // quit NU-KO Player?
inline constexpr int kStdlibVersionMismatch = 223;   // the support library is of another version

// ---- Playing ----
inline constexpr int kRoundStartOrEnd = 131;         // this is the first (last) item of the round
inline constexpr int kNothingToPlay = 134;           // there is no file to play
inline constexpr int kAllMediaPlayable = 163;        // every kind of media can play
inline constexpr int kSaveFailed = 165;              // could not save; check folder, drive, write protection
inline constexpr int kCdTrackLimit = 166;            // the CD has more tracks than the limit (%1); %1 can play
inline constexpr int kAskChangeDriveWhilePlaying = 136;  // playing: change the drive?
inline constexpr int kCdInUse = 137;                 // the CD-ROM cannot be used (in use, ...)
inline constexpr int kCdUnusable = 140;              // the CD-ROM cannot be used
inline constexpr int kDriveLabel = 181;              // "Drive:", a line of the multi-CD drive dialog
inline constexpr int kMultiCdMode = 182;             // "multi-CD mode", the mode button's tip
inline constexpr int kSingleCdMode = 183;            // "single-CD mode"
inline constexpr int kMidiMapperName = 190;          // "MIDI mapper (standard)", the default MIDI port
inline constexpr int kAskIntroMode = 213;            // switch to intro mode?
inline constexpr int kConvertingStatus = 214;        // " converting..."
inline constexpr int kHotkeysPartlyFailed = 220;     // some hot keys could not be registered
inline constexpr int kHotkeysAllRight = 221;         // the hot key settings are all right
inline constexpr int kNoHotkeyService = 4273;        // the desktop offers no global shortcuts
inline constexpr int kSoundCardsChanged = 205;       // the sound cards changed; restart for the volume settings
inline constexpr int kLeftVolumeTip = 3056;          // "left volume" (3057 both, 3058 right)
inline constexpr int kMonoVolumeTip = 3059;          // "volume", the one spin of a mono line
inline constexpr int kSmfkTooOld = 196;              // the SMF converter must be version 2.12 or later
inline constexpr int kFirstSmfkError = 197;          // + error code 0-7 of the SMF converter
inline constexpr int kRcpcvTooOld = 195;             // use RCPCV version 1.8 or later
inline constexpr int kMidiInitStatus = 215;          // " initialising MIDI..."
inline constexpr int kCopyingStatus = 222;           // " copying..."

// ---- Files and folders ----
inline constexpr int kNoFile = 1000;                 // there is no file
inline constexpr int kFolderIsAFile = 1004;          // the folder given is the name of a file
inline constexpr int kCannotCreateFolder = 1005;     // the folder cannot be created
inline constexpr int kAskCreateFolder = 1006;        // folder %1 does not exist; create it?
inline constexpr int kFolderNeedsFullPath = 1007;    // give the folder to create as a full path
inline constexpr int kCdRomOrInvalidDrive = 1008;    // a CD-ROM or an invalid drive
inline constexpr int kConverterFileTitle = 1009;     // "SMF knife file", the title of a converter settings file
inline constexpr int kProgramNotFound = 158;         // "File not found", a program that would not start
inline constexpr int kRunCommandErrorCaption = 184;  // "run command error", a failed start's caption
inline constexpr int kMultimediaPropertiesFailed = 185;  // the multimedia properties could not be opened

// ---- Catalogs and the file area ----
inline constexpr int kNoTitle = 156;                 // there is no title
inline constexpr int kNoCatalogFile = 164;           // there is no catalog file
inline constexpr int kFileMissing = 132;             // "there is no file."
inline constexpr int kAskDiscardChanges = 148;       // the data has changed; go on without registering?
inline constexpr int kAskDeleteAllRows = 152;        // everything will be deleted; go on?
inline constexpr int kCatalogEditorCaption = 153;    // "%1 catalog editing << %2 >>"
inline constexpr int kInvalidInitFile = 154;         // not a MIDI file, or not a full path
inline constexpr int kAskSaveEmptyCatalog = 187;     // nothing to play; save anyway?
inline constexpr int kCatalogLineTooLong = 3330;     // item %1's line (%2) is over 511 bytes: not saved
inline constexpr int kCatalogLinesSkipped = 3331;    // %1 lines over 511 bytes were not read
inline constexpr int kAskDropFolders = 189;          // folder names will be deleted; go on?
inline constexpr int kAskDropDrives = 206;           // drive names will be deleted; go on?
inline constexpr int kAskDropSameNames = 207;        // rows of the same name will be deleted; go on?
// 393 ... 396: the progress words "converting", "registering", "sorting",
// "checking" of the editor's long operations.
inline constexpr int kProgressConverting = 393;
inline constexpr int kProgressRegistering = 394;
inline constexpr int kProgressSorting = 395;
inline constexpr int kProgressChecking = 396;

// ---- Related file execution ----
inline constexpr int kNoCompanionName = 138;         // "__<none>__", the type that names no file
inline constexpr int kNoProgramForType = 157;        // there is no program to run
// 4128 + slot: the extension of each program slot (".txt", ".doc", ...).
inline constexpr int kFirstRelatedExtension = 4128;

// ---- CD titles and the CD data backup tool ----
inline constexpr int kCdTitleEditorCaption = 146;    // "CD title & track names << %1 >>"
inline constexpr int kInvalidNumber = 147;           // the number [ %1 ] is not valid; enter it again
inline constexpr int kAskDeleteUntitledCd = 149;     // no artist and title: the stored data will be deleted; go on?
inline constexpr int kAskLoadRegisteredCd = 150;     // file %1 has this CD as title %2; load that data?
inline constexpr int kAskPasteFromClipboard = 151;   // paste from the clipboard?
inline constexpr int kCdBackupToolMissing = 168;     // the CD data backup tool is not installed properly
inline constexpr int kAskOverwriteRegisteredCd = 174;  // file %1 has this CD as title %2; register over it?
inline constexpr int kCdNotInFile = 175;             // file %1 holds no data of this CD
inline constexpr int kAskUseAsRegistrationFile = 176;  // make file %1 the registration file?
inline constexpr int kAskSaveChanges = 186;          // "%1" has changed; save it?
inline constexpr int kXmcdImportButton = 3301;       // "xmcd import (&D)..."
inline constexpr int kXmcdExportButton = 3302;       // "xmcd export (&E)..."
inline constexpr int kXmcdUnreadable = 3303;         // "%1" cannot be read as an xmcd file: %2
inline constexpr int kXmcdOtherDisc = 3304;          // "%1" is another disc's (%2); read it into this one (%3)?
inline constexpr int kXmcdFileFilter = 3305;         // file dialog filter of xmcd files
inline constexpr int kCsvFileIntro = 217;            // the CD player's csv file %1 says: (followed by 218)
inline constexpr int kAskLoadCsvTitle = 218;         // artist %1, title %2; load this data?
inline constexpr int kAskAddToFile = 219;            // add the registration to file %1?
inline constexpr int kCdTitleHelp = 9051;            // help of the CD title editor
inline constexpr int kCdTextFileFilter = 1136;       // file dialog filter "CD file (*.txt)"
inline constexpr int kCdImportFileFilter = 1137;     // file dialog filters of the importable data files

// ---- Hot keys ----
// 848 ... 864: the settings key names of the hot keys ("Rew", "Play", ...),
// in hot key order; the hot key ids are the same numbers.
inline constexpr int kFirstHotkeyName = 848;

// ---- Menus ----
inline constexpr int kPlayMenu = 1024;               // "Play / play mode (&P)"
inline constexpr int kFileMenu = 1025;               // "File (&F)"
inline constexpr int kMediaMenu = 1026;              // "Media (&M)"
inline constexpr int kTimerMenu = 1027;              // "Timer (&T)"
inline constexpr int kViewMenu = 1028;               // "View (&V)"
inline constexpr int kOptionsMenu = 1029;            // "Options (&O)"
inline constexpr int kHelpMenu = 1030;               // "Help (&H)"
inline constexpr int kListReading = 1031;            // "Reading the list... %1 items"
// The MIDI-Word window's context menu.
inline constexpr int kProperties = 171;              // "Properties (&P)...", of the movie and MIDI-Word menus
inline constexpr int kWordFullScreen = 1032;         // "Full screen (&F)"
inline constexpr int kWordShowScript = 1033;         // "Show the WRD file (&W)"
inline constexpr int kWordShowWindow = 1034;         // "Show (this) screen (&D)"
inline constexpr int kBackToStartPosition = 1040;    // "Back to the start position (&O)"
inline constexpr int kToPlayingPosition = 1041;      // "To the playing position (&O)"

// ---- Media kinds (base + kind 0 MIDI, 1 CD, 2 movie, 3 sound) ----
inline constexpr int kFirstAllTypesFilter = 1104;    // file dialog filter "MIDI ALL(...)", ...
inline constexpr int kFirstCatalogFilter = 1112;     // file dialog filter "MIDI catalog (*.mit)", ...
inline constexpr int kFirstTypeFilters = 1120;       // file dialog filters of each type of a kind
inline constexpr int kArchiveFilter = 1128;          // file dialog filter "archive (*.lzh)"
inline constexpr int kFirstCatalogExtension = 1200;  // ".mit", ".", ".mot", ".wat"
inline constexpr int kFirstKindName = 2144;          // "MIDI", "audio CD", "movie", "sound"

// ---- File extensions, each text a ".ext" ----
inline constexpr int kExtMid = 416;
inline constexpr int kExtRcp = 417;
inline constexpr int kExtRmi = 418;
inline constexpr int kExtWrd = 430;
inline constexpr int kExtAvi = 448;
inline constexpr int kExtMov = 449;
inline constexpr int kExtMpg = 450;
inline constexpr int kExtDat = 451;
inline constexpr int kExtMovieAsf = 452;
inline constexpr int kExtWav = 464;
inline constexpr int kExtMp3 = 465;
inline constexpr int kExtAif = 466;
inline constexpr int kExtSoundAsf = 467;
inline constexpr int kExtAbs = 468;
inline constexpr int kExtR36 = 480;
inline constexpr int kExtG36 = 481;
inline constexpr int kExtMpe = 482;
inline constexpr int kExtMpeg = 483;
inline constexpr int kExtMovieWma = 484;
inline constexpr int kExtMovieWmv = 485;
inline constexpr int kExtQt = 486;
inline constexpr int kExtRmp = 487;
inline constexpr int kExtSoundWma = 488;
inline constexpr int kExtSoundWmv = 489;
inline constexpr int kExtAiff = 490;
inline constexpr int kExtLzh = 527;

// ---- Time panel ----
inline constexpr int kStatusPlaying = 1505;          // "Playing"
inline constexpr int kStatusSeeking = 1508;          // "Seeking"
inline constexpr int kStatusAtoBWait = 1510;         // "AtoB Wait"
inline constexpr int kStatusConvert = 1511;          // "Convert"
inline constexpr int kStatusMidiInit = 1512;         // "MidiInit"
inline constexpr int kPlayPositionTip = 3008;        // "play position"
inline constexpr int kFrameStepTip = 3009;           // "frame step"

// ---- Device check (the lists of the MCI check dialog) ----
// 4160 ... 4173: one line per type, "EXT<TAB>driver for ...".
inline constexpr int kFirstDriverLine = 4160;        // MID
inline constexpr int kRcpDriverLine = 4161;          // RCP
inline constexpr int kR36DriverLine = 4162;          // R36
inline constexpr int kMp3DriverLine = 4170;          // MP3 (RMP)
inline constexpr int kLastDriverLine = 4173;         // ABS
inline constexpr int kRcpConverterUsed = 4178;       // "(Rcpcv.dll used)"
inline constexpr int kNetShowUsed = 4179;            // "(NetShow used)"
inline constexpr int kNoSoundOutput = 4180;          // no sound output: plays silently
// 4184 ... 4186 name the SMF converter, RCP converter and archive library;
// 4187 ... 4189 say that each can be used.
inline constexpr int kFirstToolName = 4184;
inline constexpr int kFirstToolUsable = 4187;
inline constexpr int kToolMissing = 4190;            // "x the library is missing."

// ---- Button panel ----
inline constexpr int kButtonPrevious = 4256;         // "previous"
inline constexpr int kButtonPlay = 4257;             // "play"
inline constexpr int kButtonNext = 4258;             // "next"
inline constexpr int kButtonStop = 4259;             // "stop"
inline constexpr int kButtonPause = 4260;            // "pause"
inline constexpr int kButtonEject = 4261;            // "eject"
inline constexpr int kFirstKindButton = 4262;        // + kind: "MIDI", "CD", "movie", "sound"

// The catalog converter's table (resources/catconvert_strings.tsv).
namespace catalog_converter {
inline constexpr int kConverting = 101;              // converting the catalog file; please wait
inline constexpr int kStartBanner = 102;             // the banner before the conversion starts
inline constexpr int kFileNotFound = 201;            // the file was not found
inline constexpr int kAlreadyConverted = 202;        // already converted
inline constexpr int kCannotRewrite = 203;           // the data cannot be rewritten (write protection, ...)
inline constexpr int kNotConverted = 204;            // no conversion was made
}  // namespace catalog_converter

// The CD data converter's table (resources/cdconvert_strings.tsv).
namespace cd_converter {
inline constexpr int kVersionMenu = 101;             // "Version (&A)..."
inline constexpr int kDone = 102;                    // conversion finished
inline constexpr int kRestoreFilter = 103;           // file dialog filters of a restore
inline constexpr int kBackupFilter = 104;            // file dialog filters of a backup
inline constexpr int kHelp = 9081;                   // what the converter does with the CD title data
inline constexpr int kFailed = 9082;                 // could not convert: %1
inline constexpr int kAppTitle = 57344;              // the converter's title and version
}  // namespace cd_converter

}  // namespace nuko::strings
