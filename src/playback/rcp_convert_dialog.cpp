#include "playback/rcp_convert_dialog.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include "nuko/text.h"

namespace nuko::playback {

RcpConvertDialog::RcpConvertDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("RCPCV 実行中..."));
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("MIDI ﾌｧｲﾙ"), this), 0, 0);
    file_ = new QLabel(this);
    grid->addWidget(file_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("変換中"), this), 1, 0);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    grid->addWidget(bar_, 1, 1);
}

void RcpConvertDialog::Begin(std::string_view song_file_name) {
    file_->setText(QString::fromStdString(text::Cp932ToUtf8(song_file_name)));
    show();
    // The conversion holds this thread: paint before it starts.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void RcpConvertDialog::SetProgress(int percent) {
    bar_->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void RcpConvertDialog::End(bool ok) {
    if (ok) accept();
    else reject();
}

int RcpConvertDialog::progress() const { return bar_->value(); }

}  // namespace nuko::playback
