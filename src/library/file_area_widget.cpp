#include "file_area_widget.h"

#include <QAbstractListModel>
#include <QLabel>
#include <QListView>
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

// The rows as the view asks for them, read from the list when drawn: a list
// of tens of thousands of rows costs no item per row, and rows that come or
// a new order cost one notice.
class FileAreaWidget::Rows final : public QAbstractListModel {
public:
    Rows(const FileAreaModel* model, QObject* parent) : QAbstractListModel(parent), model_(model) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : shown_; }

    QVariant data(const QModelIndex& index, int role) const override {
        const int row = index.row();
        if (!index.isValid() || row < 0 || row >= shown_ || row >= model_->rows()) return {};
        switch (role) {
            case Qt::DisplayRole: return QString::fromStdString(model_->DisplayText(row));
            case Qt::ToolTipRole: return QString::fromStdString(model_->RowPath(row));
            case kIconCodeRole: return model_->list().items[static_cast<std::size_t>(row)].icon;
            default: return {};
        }
    }

    // All rows anew (another list, a new order, other display options).
    void Reset(const FileAreaModel* model) {
        beginResetModel();
        model_ = model;
        shown_ = model_->rows();
        endResetModel();
    }
    // The rows the list gained at its end.
    void Grow() {
        const int now = model_->rows();
        if (now <= shown_) return;
        beginInsertRows({}, shown_, now - 1);
        shown_ = now;
        endInsertRows();
    }

private:
    const FileAreaModel* model_;
    int shown_ = 0;
};

FileAreaWidget::FileAreaWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!MediaFileWindow"));
    title_ = new QLabel(this);
    sub_title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("title"));
    sub_title_->setObjectName(QStringLiteral("subtitle"));
    list_ = new QListView(this);
    rows_ = new Rows(shown_, list_);
    list_->setModel(rows_);
    list_->setItemDelegate(new RowDelegate(look_, list_));
    list_->setUniformItemSizes(true);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(1);
    v->addWidget(title_);
    v->addWidget(sub_title_);
    v->addWidget(list_, 1);
    title_->hide();
    sub_title_->hide();

    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid() && !quiet_) emit rowSelected(current.row() + 1);
            });
    connect(list_, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowActivated(index.row() + 1); });
    connect(list_, &QListView::customContextMenuRequested, this,
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
    ShowTitles();
    quiet_ = true;
    rows_->Reset(shown_);
    quiet_ = false;
}

void FileAreaWidget::ShowNewRows() {
    ShowTitles();
    rows_->Grow();
}

void FileAreaWidget::ShowTitles() {
    const FileAreaModel& model = *shown_;
    const bool catalog = model.catalog_mode();
    title_->setVisible(catalog);
    sub_title_->setVisible(catalog);
    title_->setText(QString::fromStdString(model.list().title));
    sub_title_->setText(QString::fromStdString(model.list().sub_title));
}

int FileAreaWidget::RowCount() const { return rows_->rowCount(); }

void FileAreaWidget::SelectRow(int row) {
    if (row < 1 || row > RowCount()) {
        list_->setCurrentIndex({});
        return;
    }
    const QModelIndex index = rows_->index(row - 1);
    list_->setCurrentIndex(index);
    list_->scrollTo(index);
}

int FileAreaWidget::SelectedRow() const {
    const QModelIndex current = list_->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

QString FileAreaWidget::RowDisplayText(int row) const {
    if (row < 1 || row > RowCount()) return {};
    return rows_->index(row - 1).data().toString();
}

void FileAreaWidget::SetLook(const FileAreaLookSettings& look, const QFont& font) {
    look_ = look;
    list_->setFont(font);
    list_->viewport()->update();
}

int FileAreaWidget::RowHeight() const { return RowCount() ? list_->visualRect(rows_->index(0)).height() : 0; }

}  // namespace nuko::media
