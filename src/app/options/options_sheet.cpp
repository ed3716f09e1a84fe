#include "app/options/options_sheet.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>

#include "settings/settings_store.h"
#include "nuko/fileio.h"
#include "nuko/prompt.h"

namespace nuko::app {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::optional<std::string> Read(const settings::OptionsModel& m, const SettingKey& k) {
    return k.part < 0 ? m.Get(k.section, k.key) : m.GetPart(k.section, k.key, k.part, k.rest);
}

bool Write(settings::OptionsModel& m, const SettingKey& k, const std::string& text) {
    return k.part < 0 ? m.Set(k.section, k.key, text) : m.SetPart(k.section, k.key, k.part, text, k.rest);
}

int ToInt(const std::optional<std::string>& text, int base = 10) {
    int v = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), v, base);
    return v;
}

std::string Refused(const QString& label) {
    QString l = label;
    l.remove(QLatin1Char('&'));
    return l.toStdString();
}

// A colour button: shows the colour, a click picks another.
class ColorButton final : public QToolButton {
    // Not Q_OBJECT: it only forwards its click.
public:
    explicit ColorButton(QWidget* parent) : QToolButton(parent) {
        setFixedSize(48, 22);
        connect(this, &QToolButton::clicked, this, [this] {
            const QColor c = QColorDialog::getColor(color_, this);
            if (c.isValid()) Set(c);
        });
    }
    void Set(const QColor& c) {
        color_ = c;
        setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(c.name()));
    }
    QColor color() const { return color_; }

private:
    QColor color_;
};

}  // namespace

// --- field pages ----------------------------------------------------------------

FieldPage::FieldPage(QString title) : title_(std::move(title)), widget_(new QWidget), layout_(new QVBoxLayout(widget_)) {
    layout_->addStretch();
}

FieldPage::~FieldPage() {
    if (!widget_->parent()) delete widget_;
}

QWidget* FieldPage::widget() { return widget_; }

QFormLayout* FieldPage::Form() {
    if (!form_) {
        form_ = new QFormLayout;
        layout_->insertLayout(layout_->count() - 1, form_);
    }
    return form_;
}

void FieldPage::Group(const QString& title) {
    auto* box = new QGroupBox(title, widget_);
    form_ = new QFormLayout(box);
    layout_->insertWidget(layout_->count() - 1, box);
}

void FieldPage::Add(const QString& label, QWidget* field, const SettingKey& key, Binding binding) {
    // Named after its setting ("Section/Key" or "Section/Key/part").
    QString name = QStringLiteral("%1/%2").arg(QString::fromUtf8(key.section), QString::fromUtf8(key.key));
    if (key.part >= 0) name += QStringLiteral("/%1").arg(key.part);
    field->setObjectName(name);
    if (label.isEmpty()) Form()->addRow(field);
    else Form()->addRow(label, field);
    bindings_.push_back(std::move(binding));
}

void FieldPage::Load(const settings::OptionsModel& model) {
    for (const Binding& b : bindings_) b.load(model);
}

bool FieldPage::Store(settings::OptionsModel& model, std::string* error) {
    bool all = true;
    for (const Binding& b : bindings_) {
        std::string why;
        if (!b.store(model, &why)) {
            if (all && error) *error = why;
            all = false;
        }
    }
    return all;
}

void FieldPage::Check(const QString& label, SettingKey key, bool invert) {
    auto* box = new QCheckBox(label, widget_);
    auto loaded = std::make_shared<bool>(false);
    Add({}, box, key,
        {[=](const settings::OptionsModel& m) { box->setChecked(*loaded = (ToInt(Read(m, key)) != 0) != invert); },
         [=](settings::OptionsModel& m, std::string* why) {
             if (box->isChecked() == *loaded) return true;  // untouched: the stored text stays
             if (Write(m, key, box->isChecked() != invert ? "1" : "0")) return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::Number(const QString& label, SettingKey key, int min, int max, const QString& suffix) {
    // The spin box takes any number: a typed value out of range is reported
    // on Apply, not silently clamped.
    auto* spin = new QSpinBox(widget_);
    spin->setRange(std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2);
    spin->setSuffix(suffix);
    spin->setToolTip(QStringLiteral("%1 - %2").arg(min).arg(max));
    spin->setMinimumWidth(90);
    auto loaded = std::make_shared<int>(0);
    Add(label, spin, key,
        {[=](const settings::OptionsModel& m) { spin->setValue(*loaded = ToInt(Read(m, key))); },
         [=](settings::OptionsModel& m, std::string* why) {
             const int v = spin->value();
             if (v == *loaded) return true;  // a stored value out of range stays as it is
             if (v >= min && v <= max && Write(m, key, std::to_string(v))) return true;
             *why = Refused(label) + " " + std::to_string(min) + " - " + std::to_string(max);
             spin->setValue(ToInt(Read(m, key)));  // the old value stays
             return false;
         }});
}

void FieldPage::Choice(const QString& label, SettingKey key, const QStringList& items, std::vector<int> values,
                       std::vector<std::pair<int, int>> also) {
    auto* combo = new QComboBox(widget_);
    combo->addItems(items);
    if (values.empty())
        for (int i = 0; i < items.size(); ++i) values.push_back(i);
    // A stored value none of the items stands for is shown as a number of
    // its own, and kept.
    auto known = std::make_shared<std::vector<int>>(std::move(values));
    // The value read and the item it showed as: kept while that item stays.
    auto loaded = std::make_shared<std::pair<int, int>>(0, -1);
    Add(label, combo, key,
        {[=](const settings::OptionsModel& m) {
             const int v = ToInt(Read(m, key));
             while (combo->count() > items.size()) combo->removeItem(combo->count() - 1);
             known->resize(static_cast<std::size_t>(items.size()));
             int index = -1;
             for (const auto& [value, item] : also)
                 if (value == v && item >= 0 && item < items.size()) index = item;
             if (index < 0) {
                 auto it = std::find(known->begin(), known->end(), v);
                 if (it == known->end()) {
                     combo->addItem(QString::number(v));
                     known->push_back(v);
                     it = known->end() - 1;
                 }
                 index = static_cast<int>(it - known->begin());
             }
             *loaded = {v, index};
             combo->setCurrentIndex(index);
         },
         [=](settings::OptionsModel& m, std::string* why) {
             const int i = std::max(0, combo->currentIndex());
             const int v = i == loaded->second ? loaded->first : (*known)[static_cast<std::size_t>(i)];
             if (Write(m, key, std::to_string(v))) return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::Text(const QString& label, SettingKey key, const QStringList& suggestions, const QString& placeholder) {
    auto* combo = new QComboBox(widget_);
    combo->setEditable(true);
    combo->addItems(suggestions);
    combo->lineEdit()->setPlaceholderText(placeholder);
    Add(label, combo, key,
        {[=](const settings::OptionsModel& m) { combo->setCurrentText(Q(Read(m, key).value_or(""))); },
         [=](settings::OptionsModel& m, std::string* why) {
             if (Write(m, key, combo->currentText().toStdString())) return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::File(const QString& label, SettingKey key, const QString& filter, const QStringList& suggestions,
                     FileCheck check) {
    auto* row = new QWidget(widget_);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* combo = new QComboBox(row);
    combo->setEditable(true);
    combo->addItems(suggestions);
    combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* browse = new QPushButton(QStringLiteral("参照..."), row);
    h->addWidget(combo, 1);
    h->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, row, [=] {
        const QString start = combo->currentText().isEmpty() ? QDir::homePath() : QFileInfo(combo->currentText()).path();
        const QString chosen = QFileDialog::getOpenFileName(row, Refused(label).c_str(), start, filter);
        if (!chosen.isEmpty()) combo->setCurrentText(chosen);
    });
    Add(label, row, key,
        {[=](const settings::OptionsModel& m) { combo->setCurrentText(Q(Read(m, key).value_or(""))); },
         [=](settings::OptionsModel& m, std::string* why) {
             const std::string path = combo->currentText().trimmed().toStdString();
             std::string reason;
             if (!path.empty() && check && !check(path, &reason)) {
                 *why = Refused(label) + ": " + reason;
                 combo->setCurrentText(Q(Read(m, key).value_or("")));
                 return false;
             }
             if (Write(m, key, path)) return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::Folder(const QString& label, SettingKey key) {
    auto* row = new QWidget(widget_);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* line = new QLineEdit(row);
    auto* browse = new QPushButton(QStringLiteral("参照..."), row);
    h->addWidget(line, 1);
    h->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, row, [=] {
        const QString chosen = QFileDialog::getExistingDirectory(row, Refused(label).c_str(), line->text());
        if (!chosen.isEmpty()) line->setText(chosen);
    });
    Add(label, row, key,
        {[=](const settings::OptionsModel& m) { line->setText(Q(Read(m, key).value_or(""))); },
         [=](settings::OptionsModel& m, std::string* why) {
             const QString text = line->text().trimmed();
             if (!text.isEmpty() && !QFileInfo(text).isDir()) {
                 *why = Refused(label) + ": " + text.toStdString();
                 line->setText(Q(Read(m, key).value_or("")));
                 return false;
             }
             if (Write(m, key, text.toStdString())) return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::Color(const QString& label, SettingKey key) {
    auto* button = new ColorButton(widget_);
    auto loaded = std::make_shared<QColor>();
    Add(label, button, key,
        {[=](const settings::OptionsModel& m) {
             const auto bgr = static_cast<unsigned>(ToInt(Read(m, key), 16));
             button->Set(*loaded = QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
         },
         [=](settings::OptionsModel& m, std::string* why) {
             const QColor c = button->color();
             if (c == *loaded) return true;
             const unsigned bgr = static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) |
                                  (static_cast<unsigned>(c.blue()) << 16);
             char text[16];
             auto end = std::to_chars(text, text + sizeof text, bgr, 16).ptr;
             if (Write(m, key, std::string(text, end))) return true;
             *why = Refused(label);
             return false;
         }});
}

namespace {

// A row of a font field: the face, then its size.
struct FontRow {
    QWidget* row;
    QHBoxLayout* layout;
    QFontComboBox* face;
    QSpinBox* size;
};

FontRow MakeFontRow(QWidget* parent, int largest) {
    FontRow r;
    r.row = new QWidget(parent);
    r.layout = new QHBoxLayout(r.row);
    r.layout->setContentsMargins(0, 0, 0, 0);
    r.face = new QFontComboBox(r.row);
    r.face->setEditable(true);
    r.size = new QSpinBox(r.row);
    r.size->setRange(4, largest);
    r.layout->addWidget(r.face, 1);
    r.layout->addWidget(r.size);
    return r;
}

}  // namespace

void FieldPage::Font(const QString& label, SettingKey key, int size_part) {
    const FontRow r = MakeFontRow(widget_, 200);
    QWidget* row = r.row;
    QFontComboBox* face = r.face;
    QSpinBox* size = r.size;
    const SettingKey face_key{key.section, key.key, 0};
    const SettingKey size_key{key.section, key.key, size_part};
    Add(label, row, key,
        {[=](const settings::OptionsModel& m) {
             face->setEditText(Q(Read(m, face_key).value_or("")));
             size->setValue(ToInt(Read(m, size_key)));
         },
         [=](settings::OptionsModel& m, std::string* why) {
             const std::string name = face->currentText().trimmed().toStdString();
             if (name.find(',') == std::string::npos && Write(m, face_key, name) &&
                 Write(m, size_key, std::to_string(size->value())))
                 return true;
             *why = Refused(label);
             return false;
         }});
}

void FieldPage::LogFont(const QString& label, SettingKey key) {
    const FontRow r = MakeFontRow(widget_, 96);
    QWidget* row = r.row;
    QFontComboBox* face = r.face;
    QSpinBox* size = r.size;
    auto* bold = new QCheckBox(QStringLiteral("ﾎﾞｰﾙﾄﾞ(&K)"), row);
    r.layout->addWidget(bold);
    // What the fields showed when loaded: an unset font is written only once
    // the user changed one of them.
    struct Shown {
        QString face;
        int size = 0;
        bool bold = false;
    };
    auto shown = std::make_shared<Shown>();
    Add(label, row, key,
        {[=](const settings::OptionsModel& m) {
             settings::LogFontSetting f;
             if (f.Parse(Read(m, key).value_or("")) && !f.face.empty()) {
                 // Logical units are pixels at 96 dots per inch.
                 *shown = {Q(f.face), std::max(4, (std::abs(f.height()) * 72 + 48) / 96), f.weight() >= 600};
             } else {
                 const settings::MainFont& main = m.settings().main.font;
                 *shown = {Q(main.face), main.size, main.bold != 0};
             }
             face->setEditText(shown->face);
             size->setValue(shown->size);
             bold->setChecked(shown->bold);
         },
         [=](settings::OptionsModel& m, std::string* why) {
             const QString name = face->currentText().trimmed();
             if (name == shown->face && size->value() == shown->size && bold->isChecked() == shown->bold) return true;
             settings::LogFontSetting f;
             f.set = true;
             f.face = name.toStdString();
             f.values[0] = -(size->value() * 96 + 36) / 72;  // height: the character height in pixels
             f.values[4] = bold->isChecked() ? 700 : 400;    // weight
             f.values[8] = 128;                               // the Shift-JIS character set
             if (!name.isEmpty() && f.face.find(',') == std::string::npos && Write(m, key, f.Format())) return true;
             *why = Refused(label);
             return false;
         }});
}

// --- form pages -----------------------------------------------------------------

FormPage::FormPage(QString title, Make make, Take take)
    : title_(std::move(title)), make_(std::move(make)), take_(std::move(take)), widget_(new QWidget) {
    new QVBoxLayout(widget_);
}

FormPage::~FormPage() {
    if (!widget_->parent()) delete widget_;
}

void FormPage::Load(const settings::OptionsModel& model) {
    delete form_;
    form_ = make_(model.settings(), widget_);
    widget_->layout()->addWidget(form_);
    untouched_ = model.settings();
    take_(form_, untouched_);
}

bool FormPage::Store(settings::OptionsModel& model, std::string* error) {
    settings::Settings now = model.settings();
    take_(form_, now);
    for (const std::string& name : ChangedKeys(untouched_, now)) {
        const std::size_t slash = name.find('/');
        const std::string section = name.substr(0, slash), key = name.substr(slash + 1);
        const auto value = model.Get(section, key).has_value() ? settings::FormatSetting(now, section, key) : std::nullopt;
        if (!value || !model.Set(section, key, *value)) {
            *error = title_.toStdString() + ": " + name;
            return false;
        }
    }
    return true;
}

// --- the sheet ------------------------------------------------------------------

OptionsSheet::OptionsSheet(const settings::Settings& s, Apply apply, QWidget* parent)
    : QDialog(parent), model_(s), apply_(std::move(apply)), list_(new QListWidget(this)), stack_(new QStackedWidget(this)) {
    setWindowTitle(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    list_->setObjectName(QStringLiteral("pages"));
    list_->setFixedWidth(120);
    auto* top = new QHBoxLayout;
    top->addWidget(list_);
    top->addWidget(stack_, 1);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    buttons->button(QDialogButtonBox::Apply)->setText(QStringLiteral("適用(&A)"));
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { ApplyNow(); });
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        const auto* item = list_->currentItem();
        AskText((item ? item->text().toStdString() + ": " : std::string()) +
                    "各ﾍﾟｰｼﾞの項目は OK または適用で直ちに反映され、設定ﾌｧｲﾙに書き込まれます.",
                PromptButtons::Ok, PromptIcon::Information, {}, static_cast<QWidget*>(this));
    });
    connect(list_, &QListWidget::currentRowChanged, stack_, &QStackedWidget::setCurrentIndex);
    auto* v = new QVBoxLayout(this);
    v->addLayout(top, 1);
    v->addWidget(buttons);
    resize(640, 480);
}

OptionsSheet::~OptionsSheet() = default;

void OptionsSheet::AddPage(std::unique_ptr<OptionsPage> page) {
    page->Load(model_);
    auto* scroll = new QScrollArea(stack_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page->widget());
    stack_->addWidget(scroll);
    list_->addItem(page->title());
    pages_.push_back(std::move(page));
    if (list_->currentRow() < 0) list_->setCurrentRow(0);
}

void OptionsSheet::ShowPage(const QString& title) {
    for (int i = 0; i < page_count(); ++i)
        if (pages_[static_cast<std::size_t>(i)]->title() == title) return list_->setCurrentRow(i);
}

bool OptionsSheet::ApplyNow() {
    settings::OptionsModel next = model_;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        std::string why;
        if (!pages_[i]->Store(next, &why)) {
            list_->setCurrentRow(static_cast<int>(i));
            AskText("設定できない値です: " + why, PromptButtons::Ok, PromptIcon::Warning, {},
                    static_cast<QWidget*>(this));
            return false;
        }
    }
    model_ = std::move(next);
    if (apply_ && !apply_(model_.settings())) return false;
    for (auto& p : pages_) p->Load(model_);
    return true;
}

void OptionsSheet::accept() {
    if (ApplyNow()) QDialog::accept();
}

// --- checks ---------------------------------------------------------------------

bool IsSoundFontFile(const std::string& path, std::string* why) {
    std::error_code ec;
    auto head = fileio::ReadFile(path, 12, &ec);
    if (!head) {
        if (why)
            *why = ec == std::errc::no_such_file_or_directory ? "ﾌｧｲﾙがありません: " + path
                                                               : "ﾌｧｲﾙを読めません: " + path + " (" + ec.message() + ")";
        return false;
    }
    // SF2 and SF3 alike: a RIFF file of the form "sfbk".
    if (head->size() < 12 || head->compare(0, 4, "RIFF") != 0 || head->compare(8, 4, "sfbk") != 0) {
        if (why) *why = "ｻｳﾝﾄﾞﾌｫﾝﾄではありません: " + path;
        return false;
    }
    return true;
}

}  // namespace nuko::app
