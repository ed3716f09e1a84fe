// The window of a copy to the work folder ("ﾌｧｲﾙｺﾋﾟｰ中..."): the file's name,
// a progress bar and Cancel. Thin: the device layer's copy drives it, and it
// only passes Cancel back.
#pragma once

#include <functional>
#include <memory>

#include "playback/media_device.h"

class QProgressDialog;
class QWidget;

namespace nuko::playback {

class FileCopyDialog final : public FileCopyView {
public:
    explicit FileCopyDialog(QWidget* parent);
    ~FileCopyDialog() override;

    void Begin(std::string_view file_name, std::function<void()> cancel) override;
    void SetProgress(int percent) override;
    void End() override;

    // The open window, for tests; null before Begin and after End.
    QProgressDialog* window() const { return dialog_.get(); }

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace nuko::playback
