// The SMF converter's dialog ("SMFﾅｲﾌ 実行中..."): the song and the cfg
// file, a progress bar while the library converts, and the library's error
// in red for 2.5 seconds when it fails.
#pragma once

#include <QDialog>
#include <string>

#include "smf_converter.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace nuko::playback {

struct SmfConvertRequest {
    std::string library;  // full path of libsmfk32.so
    std::string song;
    std::string song_label;  // the name shown; empty: the song's file name
    std::string out;
    std::string cfg;
    SmfkSettings settings;
};

class SmfConvertDialog final : public QDialog {
public:
    SmfConvertDialog(const SmfConvertRequest& request, QWidget* owner);
    const SmfkResult& result() const { return result_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Run();
    void ShowError(int message_id, int code);

    SmfConvertRequest request_;
    SmfkResult result_;
    QLabel* converting_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* error_ = nullptr;
    bool started_ = false;
};

// Converts with the dialog when `with_dialog`, else without a window (and
// without a message). The file to play: `request.out`, or empty when the
// song plays as it is.
std::string RunSmfConversion(const SmfConvertRequest& request, bool with_dialog, QWidget* owner);

}  // namespace nuko::playback
