#include "media_errors.h"

namespace nuko::playback {

std::string DeviceErrorText(int error, const std::string& detail) {
    const char* text;
    switch (error) {
        case mci::kNoDevice: text = "このファイルを再生するデバイスがありません。"; break;
        case mci::kInvalidDeviceId: text = "デバイスが開かれていません。"; break;
        case mci::kHardware: text = "メディア デバイスのハードウェアに問題があります。"; break;
        case mci::kInvalidDeviceName: text = "指定されたデバイスは開かれていないか、認識されません。"; break;
        case mci::kOutOfMemory: text = "この操作を行うためのメモリが足りません。"; break;
        case mci::kCannotLoadDriver: text = "デバイス ドライバ (ライブラリ) を読み込めません。"; break;
        case mci::kUnsupportedFunction: text = "このデバイスはこの操作に対応していません。"; break;
        case mci::kFileNotFound: text = "指定されたファイルが見つかりません。パスとファイル名を確認してください。"; break;
        case mci::kDeviceNotReady: text = "デバイスの準備ができていません。ディスクが入っているか確認してください。"; break;
        case mci::kInternal: text = "メディア デバイスで内部エラーが起きました。"; break;
        case mci::kDriver: text = "デバイス ドライバでエラーが起きました。"; break;
        case mci::kOutOfRange: text = "指定された値が範囲外です。"; break;
        case mci::kInvalidFile: text = "このファイルは再生できない形式か、壊れています。"; break;
        case mci::kSeqPortNonexistent: text = "指定された MIDI 出力ポートがありません。"; break;
        case mci::kSeqNoMidiPresent: text = "MIDI を再生する音源 (サウンドフォント) がありません。"; break;
        case mci::kCreateWindow: text = "動画のウィンドウを作れません。"; break;
        case mci::kFileRead: text = "ファイル (ディスク) を読めませんでした。"; break;
        default: text = "メディア デバイスでエラーが起きました。"; break;
    }
    std::string out = text;
    if (!detail.empty()) out += "\n(" + detail + ")";
    return out;
}

}  // namespace nuko::playback
