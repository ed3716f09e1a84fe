#include "cd/cd_panel_widget.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "nuko/qt_strings.h"
#include "nuko/string_ids.h"

namespace nuko::cd {

CdPanelWidget::CdPanelWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!CdPanel"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* top = new QHBoxLayout;
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("drives"));
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("caption"));
    multi_ = new QToolButton(this);
    multi_->setObjectName(QStringLiteral("multi_mode"));
    multi_->setText(QStringLiteral("M"));
    multi_->setCheckable(true);
    SetMultiMode(false);
    top->addWidget(drives_);
    top->addWidget(multi_);
    top->addWidget(caption_, 1);
    v->addLayout(top);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("tracks"));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    v->addWidget(list_, 1);
    grid_ = new TrackGridWidget(this);
    grid_->setMinimumHeight(60);
    v->addWidget(grid_);

    connect(multi_, &QToolButton::clicked, this, [this](bool on) {
        SetMultiMode(on);
        emit multiModeToggled(on);
    });
    connect(drives_, &QComboBox::activated, this, [this](int index) { emit driveChosen(index); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_ && row >= 0) emit rowSelected(row + 1);
    });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        emit rowActivated(list_->row(item) + 1);
    });
    connect(list_, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { emit contextRequested(list_->viewport()->mapToGlobal(at)); });
    connect(grid_, &TrackGridWidget::trackCommand, this, [this](int code, int track) {
        int row = 0;
        for (std::size_t i = 0; i < row_tracks_.size(); ++i)
            if (row_tracks_[i] == track) row = static_cast<int>(i) + 1;
        if (code == 2) {
            emit contextRequested(QCursor::pos());
            return;
        }
        if (row == 0) return;  // a hidden track has no row
        if (code == 37) {
            SelectRow(row);
            emit rowSelected(row);
        } else if (code == 13) {
            emit rowActivated(row);
        }
    });
}

void CdPanelWidget::SetDrives(const std::vector<CdDrive>& drives, int chosen) {
    QSignalBlocker block(drives_);
    drives_->clear();
    for (const auto& d : drives) {
        QString line = d.image ? QString::fromStdString(d.Label())
                               : QStringLiteral("%1:  %2").arg(QChar(d.letter), QString::fromStdString(d.device));
        drives_->addItem(line);
    }
    drives_->setCurrentIndex(chosen);
}

void CdPanelWidget::SetDisc(const std::string& caption, const CdTrackList& rows, int track_count,
                            const std::string& status) {
    filling_ = true;
    caption_->setText(QString::fromStdString(status.empty() ? caption : status));
    list_->clear();
    row_tracks_.clear();
    for (const auto& r : rows.rows()) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2").arg(r.track, 2, 10, QChar('0')).arg(QString::fromStdString(r.title)),
                                         list_);
        if (r.excluded) item->setForeground(QColor(0x80, 0x80, 0x80));
        row_tracks_.push_back(r.track);
    }
    grid_->grid().SetTrackCount(track_count);
    std::vector<int> excluded;
    for (const auto& r : rows.rows())
        if (r.excluded) excluded.push_back(r.track);
    grid_->SetExcludedSource([excluded](int t) { return std::find(excluded.begin(), excluded.end(), t) != excluded.end(); });
    filling_ = false;
    grid_->update();
}

void CdPanelWidget::SelectRow(int row) {
    filling_ = true;
    list_->setCurrentRow(row - 1);
    filling_ = false;
    const int track = row >= 1 && row <= static_cast<int>(row_tracks_.size()) ? row_tracks_[static_cast<std::size_t>(row - 1)] : 0;
    grid_->grid().SetCurrent(track);
    grid_->update();
}

int CdPanelWidget::selected_row() const { return list_->currentRow() + 1; }

void CdPanelWidget::SetMultiMode(bool on) {
    QSignalBlocker quiet(multi_);
    multi_->setChecked(on);
    multi_->setToolTip(LoadQString(on ? strings::kMultiCdMode : strings::kSingleCdMode));
}

}  // namespace nuko::cd
