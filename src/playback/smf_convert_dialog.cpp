#include "smf_convert_dialog.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/strings.h"

namespace nuko::playback {

namespace {

constexpr int kStartDelayMs = 50;
constexpr int kErrorShownMs = 2500;

QString Name(const std::string& path) { return QString::fromStdString(std::string(path::FileName(path))); }

}  // namespace

SmfConvertDialog::SmfConvertDialog(const SmfConvertRequest& request, QWidget* owner)
    : QDialog(owner), request_(request) {
    setWindowTitle(QStringLiteral("SMFﾅｲﾌ 実行中..."));
    auto* form = new QFormLayout;
    const QString song = request.song_label.empty() ? Name(request.song) : QString::fromStdString(request.song_label);
    form->addRow(QStringLiteral("MIDI ﾌｧｲﾙ"), new QLabel(song, this));
    form->addRow(QStringLiteral("CFG ﾌｧｲﾙ"), new QLabel(Name(request.cfg), this));
    converting_ = new QLabel(QStringLiteral("変換中"), this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    form->addRow(converting_, bar_);
    error_ = new QLabel(this);
    error_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    error_->setStyleSheet(QStringLiteral("color: red"));
    error_->setWordWrap(true);
    error_->hide();
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(error_);
}

void SmfConvertDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // The window paints first; the conversion runs once it is on screen.
    QTimer::singleShot(kStartDelayMs, this, [this] { Run(); });
}

void SmfConvertDialog::Run() {
    result_ = ConvertSmf(request_.library, request_.song, request_.out, request_.cfg, request_.settings,
                         [this](int position) {
                             bar_->setValue(position);
                             QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                         });
    if (result_.outcome == SmfkResult::Converted) {
        accept();
        return;
    }
    const int message = result_.MessageId();
    if (result_.outcome == SmfkResult::Failed) {
        ShowError(message, result_.error);
        return;
    }
    if (result_.outcome == SmfkResult::TooOld)
        Ask(message, {}, PromptButtons::Ok, PromptIcon::Warning, {}, this);
    reject();
}

void SmfConvertDialog::ShowError(int message_id, int code) {
    converting_->hide();
    bar_->hide();
    QString text = QStringLiteral("変換時に、ｴﾗｰ(No.%1)が発生しました.").arg(code);
    if (message_id) text += QStringLiteral("\n") + QString::fromStdString(std::string(LoadString(message_id)));
    error_->setText(text);
    error_->show();
    QTimer::singleShot(kErrorShownMs, this, [this] { reject(); });
}

std::string RunSmfConversion(const SmfConvertRequest& request, bool with_dialog, QWidget* owner) {
    if (with_dialog) {
        SmfConvertDialog dialog(request, owner);
        return dialog.exec() == QDialog::Accepted ? request.out : std::string();
    }
    SmfkResult r = ConvertSmf(request.library, request.song, request.out, request.cfg, request.settings, {});
    if (r.outcome == SmfkResult::TooOld) Ask(r.MessageId(), {}, PromptButtons::Ok, PromptIcon::Warning, {}, owner);
    return r.outcome == SmfkResult::Converted ? request.out : std::string();
}

}  // namespace nuko::playback
