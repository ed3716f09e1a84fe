#include "app/components/volume/volume_panel_component.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/options/options_sheet.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "panels/volume_options_dialog.h"
#include "panels/volume_panel_widget.h"
#include "playback/play_controller.h"

namespace nuko::app {

VolumePanelComponent::VolumePanelComponent(QWidget* parent, MixerFactory mixers)
    : panel_(new panels::VolumePanel(parent)),
      list_(mixers ? mixers() : mixer::MakeAlsaMixers()),
      model_(list_) {
    panel_->on_move = [this](mixer::Spin s, int d) {
        model_.Move(s, d);
        Refresh();
    };
    panel_->on_step = [this](int d) {
        model_.Step(d);
        Refresh();
    };
}

VolumePanelComponent::~VolumePanelComponent() { Shutdown(); }

void VolumePanelComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    core.Subscribe(*this);
    router.Register(cmd::kPanelVolumeUp, {[this] {
                                              model_.Step(1);
                                              Refresh();
                                          },
                                          [this] { return model_.available(); }});
    router.Register(cmd::kPanelVolumeDown, {[this] {
                                                model_.Step(2);
                                                Refresh();
                                            },
                                            [this] { return model_.available(); }});
    router.Register(cmd::kPanelMute, {[this] {
                                          model_.ToggleMute();
                                          Refresh();
                                      },
                                      {},
                                      [this] { return model_.muted(); }});
}

void VolumePanelComponent::ApplySettings(const settings::Settings& s) {
    for (int k = 0; k < mixer::VolumePanelModel::kKinds; ++k) {
        const auto& v = s.kinds[static_cast<std::size_t>(k)].volume;
        kinds_[static_cast<std::size_t>(k)] = {v.line, v.left, v.right};
    }
    mute_ = {s.main.mute_volume.line, s.main.mute_volume.left, s.main.mute_volume.right};
    steps_ = s.main.vol_finely;
    set_start_ = s.main.vol_set_start != 0;
    chase_ = s.main.vol_chase != 0;
    restore_ = s.main.vol_restore != 0;
    if (!started_) {
        // Built once: the lines as they are at start, and their levels.
        started_ = true;
        list_.Enumerate();
        list_.SnapshotAll();
        Watch();
        model_.Configure(steps_, kinds_, mute_);
        model_.SelectKind(core_ ? media::Code(core_->kind()) : 0, set_start_);
        // A saved line that is not there: the sound cards changed since.
        bool gone = false;
        for (const auto& k : kinds_) gone = gone || (!k.label.empty() && list_.FindByLabel(k.label) < 0);
        if (gone) Ask(strings::kSoundCardsChanged, {}, PromptButtons::Ok, PromptIcon::Warning, {}, panel_->window());
    } else {
        Configure();
    }
    Refresh();
}

void VolumePanelComponent::Configure() {
    model_.Configure(steps_, kinds_, mute_);
    model_.SelectKind(model_.kind(), false);
}

void VolumePanelComponent::StoreSettings(settings::Settings& s) const {
    const auto choices = model_.Choices();
    for (int k = 0; k < mixer::VolumePanelModel::kKinds; ++k) {
        auto& v = s.kinds[static_cast<std::size_t>(k)].volume;
        const auto& c = choices[static_cast<std::size_t>(k)];
        v.line = c.label;
        v.left = c.left;
        v.right = c.right;
    }
    s.main.mute_volume = {mute_.label, mute_.left, mute_.right};
    s.main.vol_finely = mixer::ValidMaxLevel(steps_);
    s.main.vol_set_start = set_start_ ? 1 : 0;
    s.main.vol_chase = chase_ ? 1 : 0;
    s.main.vol_restore = restore_ ? 1 : 0;
}

void VolumePanelComponent::TakeOptions(const panels::VolumeOptions& o) {
    const auto levels = model_.Choices();  // the levels each kind has now
    for (int k = 0; k < mixer::VolumePanelModel::kKinds; ++k) {
        auto& c = kinds_[static_cast<std::size_t>(k)];
        c = levels[static_cast<std::size_t>(k)];
        c.label = o.lines[static_cast<std::size_t>(k)];
    }
    steps_ = o.steps;
    mute_ = {o.mute_line, o.mute_rate, o.mute_rate};
    set_start_ = o.set_at_start;
    restore_ = o.restore_at_exit;
    chase_ = o.chase;
    Configure();
    Refresh();
}

namespace {

// The volume options as a page of the options sheet: the same form, on the
// settings the sheet edits.
class VolumeOptionsPage final : public OptionsPage {
public:
    explicit VolumeOptionsPage(std::vector<std::string> labels) : labels_(std::move(labels)), widget_(new QWidget) {
        new QVBoxLayout(widget_);
    }
    ~VolumeOptionsPage() override {
        if (!widget_->parent()) delete widget_;
    }
    QString title() const override { return QStringLiteral("ﾎﾞﾘｭｰﾑ"); }
    QWidget* widget() override { return widget_; }
    void Load(const settings::OptionsModel& model) override {
        const settings::Settings& s = model.settings();
        panels::VolumeOptions o;
        for (std::size_t k = 0; k < o.lines.size(); ++k) o.lines[k] = s.kinds[k].volume.line;
        o.steps = s.main.vol_finely;
        o.mute_line = s.main.mute_volume.line;
        o.mute_rate = s.main.mute_volume.left;
        o.set_at_start = s.main.vol_set_start != 0;
        o.restore_at_exit = s.main.vol_restore != 0;
        o.chase = s.main.vol_chase != 0;
        delete form_;
        form_ = new panels::VolumeOptionsDialog(labels_, o, widget_);
        form_->setWindowFlags(Qt::Widget);  // a part of the page, without its own buttons
        if (auto* buttons = form_->findChild<QDialogButtonBox*>()) buttons->hide();
        widget_->layout()->addWidget(form_);
        loaded_ = o;
    }
    bool Store(settings::OptionsModel& model, std::string*) override {
        const panels::VolumeOptions o = form_->options();
        settings::Settings& s = model.settings();
        for (std::size_t k = 0; k < o.lines.size(); ++k)
            if (o.lines[k] != loaded_.lines[k]) s.kinds[k].volume.line = o.lines[k];
        if (o.steps != loaded_.steps) s.main.vol_finely = o.steps;
        if (o.mute_line != loaded_.mute_line || o.mute_rate != loaded_.mute_rate)
            s.main.mute_volume = {o.mute_line, o.mute_rate, o.mute_rate};
        if (o.set_at_start != loaded_.set_at_start) s.main.vol_set_start = o.set_at_start;
        if (o.restore_at_exit != loaded_.restore_at_exit) s.main.vol_restore = o.restore_at_exit;
        if (o.chase != loaded_.chase) s.main.vol_chase = o.chase;
        return true;
    }

private:
    std::vector<std::string> labels_;
    QWidget* widget_;
    QPointer<panels::VolumeOptionsDialog> form_;
    panels::VolumeOptions loaded_;
};

}  // namespace

void VolumePanelComponent::AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) {
    pages.push_back(std::make_unique<VolumeOptionsPage>(list_.Labels()));
}

void VolumePanelComponent::OnKindChanged(media::MediaKind kind) {
    model_.SelectKind(media::Code(kind), false);
    Refresh();
}

void VolumePanelComponent::OnClockDuties(unsigned flags, int) {
    // Mixers whose changes are not told through a descriptor are read
    // again on the half-second duty.
    if (chase_ && (flags & playback::kEvery500)) {
        list_.system().HandleEvents();
        const int l = model_.left(), r = model_.right();
        model_.Chase();
        if (l != model_.left() || r != model_.right()) Refresh();
    }
}

void VolumePanelComponent::Watch() {
    for (int fd : list_.system().PollDescriptors()) {
        auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(n.get(), &QSocketNotifier::activated, panel_, [this] { OnMixerEvent(); });
        notifiers_.push_back(std::move(n));
    }
}

void VolumePanelComponent::OnMixerEvent() {
    if (!list_.system().HandleEvents()) {
        // A device went away: the notices stop, and the panel reads again
        // (and shows "･･" when its line is gone).
        notifiers_.clear();
    }
    if (chase_) model_.Chase();
    Refresh();
}

void VolumePanelComponent::Refresh() { panel_->Show(model_); }

void VolumePanelComponent::Shutdown() {
    if (shut_down_ || !started_) return;
    shut_down_ = true;
    notifiers_.clear();
    model_.EndMute();
    if (restore_) list_.RestoreAll();
}

}  // namespace nuko::app
