// The options sheet: a page list on the left, the chosen page on the right,
// OK, Cancel, Apply and help. Every page edits the same copy of the settings
// (an OptionsModel); Apply and OK hand the copy to the player in one step.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/options_model.h"

class QDialogButtonBox;
class QFormLayout;
class QListWidget;
class QStackedWidget;
class QVBoxLayout;

namespace nuko::app {

// One page of the sheet. Pages that own their widgets (the volume, CD and
// MINI pages) implement it directly; the rest are FieldPages.
class OptionsPage {
public:
    virtual ~OptionsPage() = default;
    virtual QString title() const = 0;
    virtual QWidget* widget() = 0;
    // Shows the model's values.
    virtual void Load(const settings::OptionsModel& model) = 0;
    // Takes the widgets' values into the model; false, with the reason, for
    // a value the player cannot take (the model keeps the old one).
    virtual bool Store(settings::OptionsModel& model, std::string* error) = 0;
};

// A key of the settings by its stored names; `part` picks one field of a
// packed value (-1: the whole value), `rest` that field and every later one.
struct SettingKey {
    const char* section;
    const char* key;
    int part = -1;
    bool rest = false;
};

// A page built from a small set of field widgets, each bound to a setting
// by name: adding a setting is one line.
class FieldPage final : public OptionsPage {
public:
    explicit FieldPage(QString title);
    ~FieldPage() override;

    QString title() const override { return title_; }
    QWidget* widget() override;
    void Load(const settings::OptionsModel& model) override;
    bool Store(settings::OptionsModel& model, std::string* error) override;

    // Later fields go into a framed group with this title.
    void Group(const QString& title);
    // A flag (0/1); `invert` for a setting that says the opposite of its box.
    void Check(const QString& label, SettingKey key, bool invert = false);
    // A number within [min, max]; typed values outside are refused.
    void Number(const QString& label, SettingKey key, int min, int max, const QString& suffix = {});
    // One of several numbered choices (values[i] for item i; unset: 0, 1, ...).
    // `also` names stored values that an item stands for as well (value,
    // item index); the stored value is written back as it was while its
    // item stays chosen.
    void Choice(const QString& label, SettingKey key, const QStringList& items, std::vector<int> values = {},
                std::vector<std::pair<int, int>> also = {});
    // Free text; `suggestions` fill a drop-down list; `placeholder` is shown
    // greyed while it is empty (what empty stands for).
    void Text(const QString& label, SettingKey key, const QStringList& suggestions = {},
              const QString& placeholder = {});
    // A file with a chooser; `suggestions` fill a drop-down list; `check`
    // refuses a file the player cannot use (empty is always taken).
    using FileCheck = std::function<bool(const std::string& path, std::string* why)>;
    void File(const QString& label, SettingKey key, const QString& filter, const QStringList& suggestions = {},
              FileCheck check = {});
    // An ordered list of files kept in `keys` of `section`, first file in
    // the first key (unused keys are emptied), edited with 追加, 削除, 上へ
    // and 下へ. A file is checked as it is added and refused with the
    // reason; `empty_note` is shown greyed while the list is empty.
    void FileChain(const QString& label, const char* section, std::vector<const char*> keys, const QString& filter,
                   const QStringList& suggestions, FileCheck check, const QString& empty_note);
    void Folder(const QString& label, SettingKey key);
    // A 0x00BBGGRR colour (a hexadecimal part of a packed value).
    void Color(const QString& label, SettingKey key);
    // A font face and size (parts 0 and `size_part` of a packed value).
    void Font(const QString& label, SettingKey key, int size_part);
    // A font stored as a face and the 13 numbers of a logical font (the
    // file area's): face, size in points and bold. Unset, it shows the
    // list font of `Main`/`Font` that stands in for it, and stays unset
    // unless the user changes it.
    void LogFont(const QString& label, SettingKey key);

private:
    struct Binding {
        std::function<void(const settings::OptionsModel&)> load;
        std::function<bool(settings::OptionsModel&, std::string*)> store;
    };
    QFormLayout* Form();
    void Add(const QString& label, QWidget* field, const SettingKey& key, Binding binding);

    QString title_;
    QWidget* widget_;
    QVBoxLayout* layout_;
    QFormLayout* form_ = nullptr;
    std::vector<Binding> bindings_;
};

// A page whose form edits a whole settings copy (a component's own options
// form): only the keys the user changed on it reach the sheet's model.
class FormPage final : public OptionsPage {
public:
    using Make = std::function<QWidget*(const settings::Settings& s, QWidget* parent)>;
    using Take = std::function<void(QWidget* form, settings::Settings& s)>;
    FormPage(QString title, Make make, Take take);
    ~FormPage() override;

    QString title() const override { return title_; }
    QWidget* widget() override { return widget_; }
    void Load(const settings::OptionsModel& model) override;
    bool Store(settings::OptionsModel& model, std::string* error) override;

private:
    QString title_;
    Make make_;
    Take take_;
    QWidget* widget_;
    QWidget* form_ = nullptr;
    settings::Settings untouched_;  // what the form gives back when nothing was changed
};

class OptionsSheet final : public QDialog {
public:
    // `apply` hands the settings to the player and writes them; false with
    // a message shown when they could not be written.
    using Apply = std::function<bool(const settings::Settings&)>;
    OptionsSheet(const settings::Settings& s, Apply apply, QWidget* parent = nullptr);
    ~OptionsSheet() override;

    void AddPage(std::unique_ptr<OptionsPage> page);
    // Shows the page with this title (the first when there is none).
    void ShowPage(const QString& title);
    int page_count() const { return static_cast<int>(pages_.size()); }
    OptionsPage* page(int i) const { return pages_[static_cast<std::size_t>(i)].get(); }
    QListWidget* page_list() const { return list_; }
    const settings::OptionsModel& model() const { return model_; }

    // Takes every page into the model and applies it; false when a value
    // was refused or the settings could not be written.
    bool ApplyNow();

    void accept() override;

private:
    settings::OptionsModel model_;
    Apply apply_;
    QListWidget* list_;
    QStackedWidget* stack_;
    std::vector<std::unique_ptr<OptionsPage>> pages_;
};

// The sheet's own pages (general, files, MIDI, time display, WRD, timers,
// tools, drives), in their order.
std::vector<std::unique_ptr<OptionsPage>> MakeStandardPages();

// A file the internal synthesizer can load: a RIFF "sfbk" file.
bool IsSoundFontFile(const std::string& path, std::string* why);

}  // namespace nuko::app
