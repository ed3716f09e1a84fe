// The options sheet's own pages. Each line binds one setting by its stored
// section and key.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/options/options_sheet.h"
#include "nuko/paths.h"
#include "playback/sound_font.h"

namespace nuko::app {

namespace {

// The General MIDI fonts the system's packages put in the usual places.
QStringList SystemSoundFonts() {
    QStringList fonts;
    for (const QString& folder : {QStringLiteral("/usr/share/sounds/sf2"), QStringLiteral("/usr/share/soundfonts"),
                                  QStringLiteral("/usr/share/sounds/sf3")}) {
        const QDir dir(folder);
        for (const QFileInfo& f : dir.entryInfoList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")}, QDir::Files))
            fonts << f.absoluteFilePath();
    }
    fonts.removeDuplicates();
    return fonts;
}

// What an empty font chain stands for: the system's fonts, by name.
QString DefaultChainNote() {
    QStringList names;
    for (const std::string& font : playback::DefaultSoundFonts())
        names << QFileInfo(QString::fromStdString(font)).completeBaseName();
    if (names.isEmpty()) return QStringLiteral("(標準のｻｳﾝﾄﾞﾌｫﾝﾄがありません)");
    return QStringLiteral("(標準: %1)").arg(names.join(QStringLiteral(" + ")));
}

// The ALSA sequencer's output ports that a song can be sent to, by name, as
// the kernel lists them; the internal synthesizer is the empty name.
QStringList SequencerPorts() {
    QStringList ports;
    QFile f(QStringLiteral("/proc/asound/seq/clients"));
    if (!f.open(QIODevice::ReadOnly)) return ports;
    static const QRegularExpression port(QStringLiteral(R"(^\s+Port\s+\d+\s*:\s*"([^"]*)\"\s*\(([^)]*)\))"));
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const auto m = port.match(line);
        if (m.hasMatch() && m.captured(2).contains(QLatin1Char('W'))) ports << m.captured(1);
    }
    ports.removeDuplicates();
    return ports;
}

std::unique_ptr<OptionsPage> General() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("全般"));
    p->Group(QStringLiteral("起動"));
    p->Choice(QStringLiteral("ｳｨﾝﾄﾞｳの状態(&S):"), {"Main", "Show"},
              {QStringLiteral("通常"), QStringLiteral("最小化"), QStringLiteral("最大化")}, {1, 2, 3},
              {{5, 0}});  // 5, the first start's value, is a normal start too
    p->Check(QStringLiteral("MINI画面を表示する(&I)"), {"Main", "Mini"});
    p->Choice(QStringLiteral("起動時のMINI画面(&N):"), {"Main", "MiniStart"},
              {QStringLiteral("前回の状態"), QStringLiteral("表示する"), QStringLiteral("表示しない")});
    p->Check(QStringLiteral("起動時にﾒﾃﾞｨｱをﾁｪｯｸする(&M)"), {"Main", "MciCheck"});
    p->Check(QStringLiteral("起動時にｽﾌﾟﾗｯｼｭを表示する(&L)"), {"Main", "Splush"});
    p->Group(QStringLiteral("ﾀｽｸﾄﾚｲ"));
    p->Check(QStringLiteral("ﾀｽｸﾄﾚｲにｱｲｺﾝを表示する(&R)"), {"Main", "TrayIcon"});
    p->Check(QStringLiteral("ﾄﾚｲｱｲｺﾝを動かす(&D)"), {"Main", "TrayIconDance"});
    p->Group(QStringLiteral("ｳｨﾝﾄﾞｳ"));
    p->Check(QStringLiteral("常に手前に表示する(&W)"), {"Main", "WindowTop"});
    p->Check(QStringLiteral("ﾂｰﾙﾁｯﾌﾟを表示する(&T)"), {"Main", "ToolTip"});
    p->Group(QStringLiteral("終了"));
    p->Check(QStringLiteral("終了時に確認する(&Q)"), {"Main", "POffChk"});
    p->Check(QStringLiteral("ﾀｲﾏｰとMINI画面の終了で必ず終了する(&C)"), {"Main", "Compulsion"});
    return p;
}

std::unique_ptr<OptionsPage> Files() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("ﾌｧｲﾙ"));
    p->Group(QStringLiteral("一覧"));
    p->Check(QStringLiteral("名前順に並べる(&S)"), {"Main", "Sort"});
    p->Check(QStringLiteral("隠しﾌｧｲﾙも表示する(&H)"), {"Main", "HiddenFile"});
    p->Check(QStringLiteral("ﾌｧｲﾙの種類を表示する(&T)"), {"Main", "DispFileType"});
    p->Check(QStringLiteral("ﾀｲﾄﾙの空白を詰める(&B)"), {"Main", "SpcCut"});
    p->Check(QStringLiteral("ﾀｲﾄﾙにﾌｧｲﾙ名だけを表示する(&N)"), {"Main", "FileNameOnly"});
    p->Check(QStringLiteral("ﾄﾞﾛｯﾌﾟしたﾌｧｲﾙのﾒﾃﾞｨｱに切り替える(&D)"), {"Main", "DropMediaCheck"});
    p->Group(QStringLiteral("ｻﾌﾞﾌｫﾙﾀﾞも読む"));
    p->Check(QStringLiteral("MIDI(&M)"), {"Midi", "SubFolder"});
    p->Check(QStringLiteral("動画(&A)"), {"Movie", "SubFolder"});
    p->Check(QStringLiteral("ｻｳﾝﾄﾞ(&W)"), {"Wave", "SubFolder"});
    p->Group(QStringLiteral("色と文字"));
    p->Check(QStringLiteral("独自の色を使う(&O)"), {"Color", "FileArea", 0});
    p->Color(QStringLiteral("背景(&G):"), {"Color", "FileArea", 1});
    p->Color(QStringLiteral("選択の背景(&E):"), {"Color", "FileArea", 2});
    p->Color(QStringLiteral("文字(&X):"), {"Color", "FileArea", 3});
    p->Color(QStringLiteral("選択の文字(&L):"), {"Color", "FileArea", 4});
    p->Check(QStringLiteral("背景をﾎﾞﾀﾝの色にする(&F)"), {"Color", "FileArea", 5});
    p->LogFont(QStringLiteral("ﾌｫﾝﾄ(&I):"), {"Font", "FileArea"});
    p->Choice(QStringLiteral("文字の立体(&3):"), {"3DType", "FileArea"},
              {QStringLiteral("なし"), QStringLiteral("浮き出し"), QStringLiteral("へこみ")});
    return p;
}

std::unique_ptr<OptionsPage> Midi() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("MIDI"));
    const QStringList ports = QStringList{QString()} + SequencerPorts();
    const QString synthesizer = QStringLiteral("内蔵ｼﾝｾｻｲｻﾞｰ");
    p->Group(synthesizer);
    const auto& font_keys = settings::MidiExtra::kSoundFontKeys;
    p->FileChain(QStringLiteral("ｻｳﾝﾄﾞﾌｫﾝﾄ(&S):"), "Midi", {font_keys.begin(), font_keys.end()},
                 QStringLiteral("ｻｳﾝﾄﾞﾌｫﾝﾄ (*.sf2 *.sf3);;すべてのﾌｧｲﾙ (*)"), SystemSoundFonts(), IsSoundFontFile,
                 DefaultChainNote());
    p->Text(QStringLiteral("出力ﾎﾟｰﾄ(&P):"), {"Midi", "Port"}, ports, synthesizer);
    p->Text(QStringLiteral("MT-32の曲の出力ﾎﾟｰﾄ(&M):"), {"Midi", "Mt32Port"}, ports, synthesizer);
    p->Group(QStringLiteral("ﾙｰﾌﾟのある曲"));
    p->Choice(QStringLiteral("演奏(&O):"), {"Midi", "LoopMode"},
              {QStringLiteral("最後まで演奏する"), QStringLiteral("N回ﾙｰﾌﾟしてﾌｪｰﾄﾞｱｳﾄ")});
    p->Number(QStringLiteral("ﾙｰﾌﾟの回数 N(&N):"), {"Midi", "LoopCount"}, 1, 99, QStringLiteral(" 回"));
    p->Number(QStringLiteral("ﾌｪｰﾄﾞｱｳﾄ(&T):"), {"Midi", "LoopFade"}, 0, 60, QStringLiteral(" 秒"));
    p->Group(QStringLiteral("演奏の前に"));
    p->Check(QStringLiteral("MIDI初期化ﾌｧｲﾙを使う(&I)"), {"Main", "MidiInit", 0});
    p->File(QStringLiteral("初期化ﾌｧｲﾙ(&F):"), {"Main", "MidiInit", 1, true},
            QStringLiteral("MIDI (*.mid);;すべてのﾌｧｲﾙ (*)"));
    p->Check(QStringLiteral("SMF変換ﾌｧｲﾙを使う(&C)"), {"Main", "MidiSmfk", 0});
    p->File(QStringLiteral("変換ﾌｧｲﾙ(&V):"), {"Main", "MidiSmfk", 1, true},
            QStringLiteral("設定 (*.cfg);;すべてのﾌｧｲﾙ (*)"));
    p->Check(QStringLiteral("RCPを変換してから演奏する(&R)"), {"Main", "RcpPreference"});
    p->Group(QStringLiteral("曲の中の文字"));
    p->Choice(QStringLiteral("曲名と歌詞の文字ｺｰﾄﾞ(&L):"), {"Word", "LyricsEncoding"},
              {QStringLiteral("曲ごとに判定"), QStringLiteral("ｼﾌﾄJIS"), QStringLiteral("UTF-8"), QStringLiteral("EUC-JP")});
    p->Group(QStringLiteral("音量"));
    p->Check(QStringLiteral("音量を揃える(&E)"), {"Level", "Midi"});
    return p;
}

// CD tracks, movies and sound files; the target is shared with MIDI songs.
std::unique_ptr<OptionsPage> Sound() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("ｻｳﾝﾄﾞ"));
    p->Group(QStringLiteral("音量"));
    p->Check(QStringLiteral("音量を揃える(&E)"), {"Level", "Media"});
    p->Number(QStringLiteral("目標の音量(&G):"), {"Level", "Target"}, -40, -6, QStringLiteral(" LUFS"));
    return p;
}

std::unique_ptr<OptionsPage> TimeDisplay() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("時間表示"));
    p->Choice(QStringLiteral("表示ﾀｲﾌﾟ(&T):"), {"Main", "DigType"},
              {QStringLiteral("ﾄﾞｯﾄﾀｲﾌﾟ"), QStringLiteral("ﾃﾞｼﾞﾀﾙﾀｲﾌﾟ"), QStringLiteral("ｷｬﾗｸﾀﾀｲﾌﾟ")});
    p->Check(QStringLiteral("先頭の0を表示する(&Z)"), {"Main", "Zero"});
    p->Check(QStringLiteral("残り時間を表示する(&D)"), {"Main", "Downtime"});
    p->Group(QStringLiteral("色"));
    p->Color(QStringLiteral("背景(&G):"), {"Color", "TimeArea", 0});
    p->Color(QStringLiteral("数字(&X):"), {"Color", "TimeArea", 1});
    p->Check(QStringLiteral("背景をﾎﾞﾀﾝの色にする(&F)"), {"Color", "TimeArea", 2});
    p->Group(QStringLiteral("時計"));
    p->Number(QStringLiteral("更新の間隔(&I):"), {"Main", "Interval"}, 10, 1000, QStringLiteral(" ms"));
    return p;
}

std::unique_ptr<OptionsPage> Word() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("WRD"));
    p->Check(QStringLiteral("WRDﾌｧｲﾙを表示する(&W)"), {"Main", "Word"});
    p->Check(QStringLiteral("WRDの曲で画面を開く(&E)"), {"Word", "Exec"});
    p->Check(QStringLiteral("ｸﾞﾗﾌｨｯｸを表示する(&G)"), {"Word", "Graphic"});
    p->Font(QStringLiteral("文字(&F):"), {"Word", "Font"}, 1);
    p->Check(QStringLiteral("ｷｬﾌﾟｼｮﾝを表示する(&C)"), {"Word", "Caption"});
    p->Check(QStringLiteral("ﾌﾙｽｸﾘｰﾝで始める(&S)"), {"Word", "FullScreen"});
    p->Check(QStringLiteral("ﾏｳｽｶｰｿﾙを隠す(&H)"), {"Word", "CursorTen"});
    p->Check(QStringLiteral("WRDのない曲で歌詞を表示する(&L)"), {"Word", "Lyrics"});
    return p;
}

std::unique_ptr<OptionsPage> Timers() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("ﾀｲﾏｰ"));
    p->Group(QStringLiteral("ｽﾘｰﾌﾟ"));
    p->Number(QStringLiteral("ｽﾘｰﾌﾟ時間(&S):"), {"Timer", "Sleep"}, 60, 24 * 3600, QStringLiteral(" 秒"));
    p->Choice(QStringLiteral("終わったら(&E):"), {"Timer", "SleepOff"},
              {QStringLiteral("停止する"), QStringLiteral("ﾛｸﾞｵﾌ"), QStringLiteral("ｼｬｯﾄﾀﾞｳﾝ"),
               QStringLiteral("再起動"), QStringLiteral("電源を切る")},
              {-1, 0, 1, 2, 8});
    const struct {
        const char* key;
        const char* title;
    } clocks[] = {{"OnTimer1", "ﾀｲﾏｰ1 ON"}, {"OffTimer1", "ﾀｲﾏｰ1 OFF"}, {"OnTimer2", "ﾀｲﾏｰ2 ON"}, {"OffTimer2", "ﾀｲﾏｰ2 OFF"}};
    for (const auto& c : clocks) {
        p->Group(QString::fromUtf8(c.title));
        p->Check(QStringLiteral("使う"), {"Timer", c.key, 0});
        p->Number(QStringLiteral("時:"), {"Timer", c.key, 1}, 0, 23);
        p->Number(QStringLiteral("分:"), {"Timer", c.key, 2}, 0, 59);
    }
    p->Group(QStringLiteral("ﾀｲﾏｰ1で演奏するﾌｧｲﾙ"));
    p->Check(QStringLiteral("ﾌｧｲﾙを演奏する(&P)"), {"Timer", "File", 0});
    p->File(QStringLiteral("ﾌｧｲﾙ(&F):"), {"Timer", "File", 1, true}, QStringLiteral("すべてのﾌｧｲﾙ (*)"));
    return p;
}

std::unique_ptr<OptionsPage> Tools() {
    auto p = std::make_unique<FieldPage>(QStringLiteral("ﾂｰﾙ"));
    p->Group(QStringLiteral("LZH書庫"));
    p->Check(QStringLiteral("展開中のﾀﾞｲｱﾛｸﾞを表示する(&A)"), {"Tool\\Archive", "DlgView"});
    p->Check(QStringLiteral("同名ﾌｧｲﾙを上書きする(&Y)"), {"Tool\\Archive", "Yes"});
    // 1, the CD kind, opens as MIDI: shown so, and kept.
    p->Choice(QStringLiteral("書庫を開くﾒﾃﾞｨｱ(&K):"), {"Tool\\Archive", "Drop"},
              {QStringLiteral("現在のﾒﾃﾞｨｱ"), QStringLiteral("MIDI"), QStringLiteral("動画"), QStringLiteral("ｻｳﾝﾄﾞ"),
               QStringLiteral("毎回たずねる")},
              {-1, 0, 2, 3, 100}, {{1, 1}});
    p->Group(QStringLiteral("RCP変換"));
    p->Check(QStringLiteral("変換してから演奏する(&R)"), {"Tool\\Rcpcv", "Used"});
    p->Check(QStringLiteral("変換中のﾀﾞｲｱﾛｸﾞを表示する(&V)"), {"Tool\\Rcpcv", "DlgView"});
    p->Text(QStringLiteral("作業ﾌｧｲﾙ名:"), {"Tool\\Rcpcv", "File"});
    p->Group(QStringLiteral("SMF変換"));
    p->Check(QStringLiteral("変換を使う(&S)"), {"Tool\\Smfk", "Used"});
    p->Check(QStringLiteral("変換中のﾀﾞｲｱﾛｸﾞを表示する(&D)"), {"Tool\\Smfk", "DlgView"});
    p->Text(QStringLiteral("作業ﾌｧｲﾙ名:"), {"Tool\\Smfk", "File"});
    p->Group(QStringLiteral("画像ﾌﾟﾗｸﾞｲﾝ"));
    p->Folder(QStringLiteral("ﾌﾟﾗｸﾞｲﾝのﾌｫﾙﾀﾞ(&P):"), {"Tool\\Susie", "Path"});
    p->Group(QStringLiteral("MP3"));
    p->Check(QStringLiteral("変換中のﾀﾞｲｱﾛｸﾞを表示する(&M)"), {"Mp3", "DlgView"});
    p->Text(QStringLiteral("作業ﾌｧｲﾙ名:"), {"Mp3", "File"});
    p->Group(QStringLiteral("ﾌｧｲﾙのｺﾋﾟｰ"));
    p->Check(QStringLiteral("CD-ROMなどのﾌｧｲﾙをｺﾋﾟｰしてから演奏する(&C)"), {"FileCopy", "Used"});
    p->Check(QStringLiteral("ｺﾋﾟｰ中のﾀﾞｲｱﾛｸﾞを表示する(&O)"), {"FileCopy", "DlgView"});
    p->Group(QStringLiteral("Macのﾍｯﾀﾞｰ"));
    p->Check(QStringLiteral("Macのﾍｯﾀﾞｰを取り除く(&H)"), {"Tool\\MacCut", "Used"});
    p->Group(QStringLiteral("作業ﾌｫﾙﾀﾞ"));
    p->Check(QStringLiteral("指定したﾌｫﾙﾀﾞを使う(&U)"), {"Tool", "UserTmp"});
    p->Folder(QStringLiteral("ﾌｫﾙﾀﾞ(&T):"), {"Tool", "TmpDir"});
    return p;
}

// The "Drives" map: Linux folders that stand for the drive letters of old
// catalogs and paths.
class DrivesPage final : public OptionsPage {
public:
    DrivesPage() : widget_(new QWidget), table_(new QTableWidget(0, 2, widget_)) {
        table_->setObjectName(QStringLiteral("drives"));
        table_->setHorizontalHeaderLabels({QStringLiteral("ﾄﾞﾗｲﾌﾞ"), QStringLiteral("ﾌｫﾙﾀﾞ")});
        table_->horizontalHeader()->setStretchLastSection(true);
        table_->verticalHeader()->hide();
        auto* add = new QPushButton(QStringLiteral("追加(&A)"), widget_);
        auto* remove = new QPushButton(QStringLiteral("削除(&D)"), widget_);
        QObject::connect(add, &QPushButton::clicked, widget_, [this] { AddRow({}, {}); });
        QObject::connect(remove, &QPushButton::clicked, widget_, [this] {
            if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
        });
        auto* v = new QVBoxLayout(widget_);
        v->addWidget(table_, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addStretch();
        v->addLayout(buttons);
    }
    ~DrivesPage() override {
        if (!widget_->parent()) delete widget_;
    }
    QString title() const override { return QStringLiteral("ﾄﾞﾗｲﾌﾞ"); }
    QWidget* widget() override { return widget_; }
    void Load(const settings::OptionsModel& model) override {
        table_->setRowCount(0);
        for (const auto& [letter, folder] : model.settings().drives)
            AddRow(QString(QChar(letter)), QString::fromStdString(folder));
    }
    bool Store(settings::OptionsModel& model, std::string* error) override {
        std::map<char, std::string> drives;
        for (int r = 0; r < table_->rowCount(); ++r) {
            const QString key = table_->item(r, 0) ? table_->item(r, 0)->text().trimmed() : QString();
            const QString folder = table_->item(r, 1) ? table_->item(r, 1)->text().trimmed() : QString();
            if (key.isEmpty() && folder.isEmpty()) continue;
            const auto letter = path::DriveKeyLetter(key.toStdString());
            if (!letter || drives.count(*letter)) {
                *error = "ﾄﾞﾗｲﾌﾞ: " + key.toStdString();
                return false;
            }
            // A folder that is not there would only make every path under
            // the letter missing.
            if (!QFileInfo(folder).isDir()) {
                *error = "ﾄﾞﾗｲﾌﾞ " + key.toStdString() + ": " + folder.toStdString();
                return false;
            }
            drives[*letter] = folder.toStdString();
        }
        model.settings().drives = std::move(drives);
        return true;
    }

private:
    void AddRow(const QString& letter, const QString& folder) {
        const int r = table_->rowCount();
        table_->insertRow(r);
        table_->setItem(r, 0, new QTableWidgetItem(letter));
        table_->setItem(r, 1, new QTableWidgetItem(folder));
    }

    QWidget* widget_;
    QTableWidget* table_;
};

}  // namespace

std::vector<std::unique_ptr<OptionsPage>> MakeStandardPages() {
    std::vector<std::unique_ptr<OptionsPage>> pages;
    pages.push_back(General());
    pages.push_back(Files());
    pages.push_back(Midi());
    pages.push_back(Sound());
    pages.push_back(TimeDisplay());
    pages.push_back(Word());
    pages.push_back(Timers());
    pages.push_back(Tools());
    pages.push_back(std::make_unique<DrivesPage>());
    return pages;
}

}  // namespace nuko::app
