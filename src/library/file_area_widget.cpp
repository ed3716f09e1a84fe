#include "file_area_widget.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "nuko/draw3d.h"
#include "row_icons.h"

namespace nuko::media {
namespace {

constexpr int kIconCodeRole = Qt::UserRole + 1;

// Draws a row: background, the icon stretched to the row height, the text
// in the look's colours (through the 3-D text routine with own colours).
class RowDelegate final : public QStyledItemDelegate {
public:
    explicit RowDelegate(const FileAreaLookSettings& look, QObject* parent)
        : QStyledItemDelegate(parent), look_(look) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const bool grey = !(option.state & QStyle::State_Enabled);
        const QPalette& pal = option.palette;
        QColor bg, fg;
        if (look_.own_colors) {
            bg = selected ? draw::FromColorRef(look_.selection_background)
                          : (look_.button_face ? pal.color(QPalette::Button) : draw::FromColorRef(look_.background));
            fg = selected ? draw::FromColorRef(look_.selection_text) : draw::FromColorRef(look_.text);
        } else {
            bg = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
            fg = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        }
        if (grey) fg = pal.color(QPalette::Disabled, QPalette::Text);
        const QRect r = option.rect;
        p->fillRect(r, bg);
        const int icon = r.height();
        p->drawPixmap(QRect(r.left(), r.top(), icon, icon), RowIcon(index.data(kIconCodeRole).toInt(), icon));
        const QRect text_rect = r.adjusted(icon + 3, 0, 0, 0);
        const QString text = index.data(Qt::DisplayRole).toString();
        p->save();
        p->setFont(option.font);
        if (look_.own_colors) {
            draw::TextOptions o;
            o.color = static_cast<std::uint32_t>(fg.red() | (fg.green() << 8) | (fg.blue() << 16));
            o.style = look_.three_d_type == 1 ? draw::Style::Raised
                                              : look_.three_d_type == 2 ? draw::Style::Sunken : draw::Style::Flat;
            draw::LayoutOptions l;
            l.align = draw::Align::Left;
            l.no_prefix = true;
            draw::DrawText3D(*p, text_rect, text, o, l);
        } else {
            p->setPen(fg);
            p->drawText(text_rect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
        }
        p->restore();
        if (option.state & QStyle::State_HasFocus) {
            p->setPen(QPen(fg, 1, Qt::DotLine));
            p->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // The height of the text "a" in the list's font, plus 1.
        QFontMetrics fm(option.font);
        const int row = fm.height() + 1;
        return QSize(fm.horizontalAdvance(index.data().toString()) + row + 5, row);
    }

private:
    const FileAreaLookSettings& look_;
};

}  // namespace

FileAreaWidget::FileAreaWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!MediaFileWindow"));
    title_ = new QLabel(this);
    sub_title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("title"));
    sub_title_->setObjectName(QStringLiteral("subtitle"));
    list_ = new QListWidget(this);
    list_->setItemDelegate(new RowDelegate(look_, list_));
    list_->setUniformItemSizes(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(1);
    v->addWidget(title_);
    v->addWidget(sub_title_);
    v->addWidget(list_, 1);
    title_->hide();
    sub_title_->hide();

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit rowSelected(row + 1);
    });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit rowActivated(list_->row(item) + 1); });
    connect(list_, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit contextMenuRequested(list_->viewport()->mapToGlobal(pos)); });
}

int FileAreaWidget::Load(const FileAreaSettings& settings, const FileAreaEnvironment& env) {
    own_.Load(settings, env);
    shown_ = &own_;
    Refill();
    return own_.rows();
}

void FileAreaWidget::ShowModel(const FileAreaModel& model) {
    shown_ = &model;
    Refill();
}

void FileAreaWidget::Refill() {
    const FileAreaModel& model = *shown_;
    const bool catalog = model.catalog_mode();
    title_->setVisible(catalog);
    sub_title_->setVisible(catalog);
    title_->setText(QString::fromStdString(model.list().title));
    sub_title_->setText(QString::fromStdString(model.list().sub_title));
    QSignalBlocker block(list_);
    list_->clear();
    for (int row = 0; row < model.rows(); ++row) {
        auto* item = new QListWidgetItem(QString::fromStdString(model.DisplayText(row)));
        item->setData(kIconCodeRole, model.list().items[static_cast<std::size_t>(row)].icon);
        item->setToolTip(QString::fromStdString(model.RowPath(row)));
        list_->addItem(item);
    }
}

void FileAreaWidget::SelectRow(int row) {
    if (row < 1 || row > list_->count()) {
        list_->setCurrentRow(-1);
        return;
    }
    list_->setCurrentRow(row - 1);
    list_->scrollToItem(list_->item(row - 1));
}

int FileAreaWidget::SelectedRow() const { return list_->currentRow() + 1; }

QString FileAreaWidget::RowDisplayText(int row) const {
    if (row < 1 || row > list_->count()) return {};
    return list_->item(row - 1)->text();
}

void FileAreaWidget::SetLook(const FileAreaLookSettings& look, const QFont& font) {
    look_ = look;
    list_->setFont(font);
    list_->viewport()->update();
}

int FileAreaWidget::RowHeight() const {
    return list_->count() ? list_->visualItemRect(list_->item(0)).height() : 0;
}

}  // namespace nuko::media
