// The volume panel's settings: one mapping between the stored keys, the
// panel and the options page.
#include "app/components/volume/volume_settings.h"

#include <QCheckBox>
#include <algorithm>
#include <QSlider>
#include <gtest/gtest.h>

#include "app/components/volume/volume_options_page.h"
#include "app/options/options_sheet.h"
#include "qt_app.h"
#include "settings/options_model.h"
#include "settings/settings.h"

using namespace nuko;
using app::VolumeSettings;

namespace {

settings::Settings Stored() {
    settings::Settings s;
    s.kinds[0].volume = {"default | Master", 20, 30};
    s.kinds[2].volume = {"Card | PCM", 5, 6};
    s.main.mute_volume = {"default | Master", 40, 60};
    s.main.vol_finely = 63;
    s.main.vol_set_start = 1;
    s.main.vol_restore = 0;
    s.main.vol_chase = 0;
    return s;
}

}  // namespace

TEST(VolumeSettings, StoredKeysOptionsAndBackAreOneMapping) {
    const VolumeSettings v = VolumeSettings::From(Stored());
    panels::VolumeOptions o = v.Options();
    EXPECT_EQ(o.lines[0], "default | Master");
    EXPECT_EQ(o.lines[1], "");
    EXPECT_EQ(o.lines[2], "Card | PCM");
    EXPECT_EQ(o.steps, 63);
    EXPECT_EQ(o.mute_line, "default | Master");
    EXPECT_EQ(o.mute_rate, 40);  // the left channel's rate stands for both
    EXPECT_TRUE(o.set_at_start);
    EXPECT_FALSE(o.restore_at_exit);
    EXPECT_FALSE(o.chase);

    // The options change the lines, the mute and the switches; each kind
    // keeps its levels, and a step count the mixer does not know is stored
    // as 31.
    o.lines[0] = "";
    o.lines[1] = "Card | CD";
    o.steps = 50;
    o.mute_rate = 70;
    o.chase = true;
    VolumeSettings next = v;
    next.Take(o);
    settings::Settings out;
    next.StoreInto(out);
    EXPECT_EQ(out.kinds[0].volume.Format(), ",20,30");
    EXPECT_EQ(out.kinds[1].volume.Format(), "Card | CD,0,0");
    EXPECT_EQ(out.kinds[2].volume.Format(), "Card | PCM,5,6");
    EXPECT_EQ(out.main.mute_volume.Format(), "default | Master,70,70");
    EXPECT_EQ(out.main.vol_finely, 31);
    EXPECT_EQ(out.main.vol_set_start, 1);
    EXPECT_EQ(out.main.vol_restore, 0);
    EXPECT_EQ(out.main.vol_chase, 1);
}

TEST(VolumeOptionsPage, PassesOnOnlyWhatTheUserChanged) {
    test::QtApp();
    const settings::Settings s = Stored();
    std::unique_ptr<app::OptionsPage> page = app::MakeVolumeOptionsPage({"default | Master", "Card | PCM"});
    EXPECT_EQ(page->title(), QStringLiteral("ﾎﾞﾘｭｰﾑ"));
    settings::OptionsModel model(s);
    page->Load(model);
    std::string error;
    ASSERT_TRUE(page->Store(model, &error)) << error;
    // Untouched, the mute's two rates stay as stored although the page
    // shows one.
    EXPECT_TRUE(settings::ChangedKeys(s, model.settings()).empty());

    page->widget()->findChild<QSlider*>()->setValue(75);
    for (QCheckBox* box : page->widget()->findChildren<QCheckBox*>())
        if (box->text().startsWith(QStringLiteral("ﾎﾞﾘｭｰﾑを追従"))) box->setChecked(true);
    ASSERT_TRUE(page->Store(model, &error)) << error;
    std::vector<std::string> changed = settings::ChangedKeys(s, model.settings());
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{"Main/MuteVolume", "Main/VolChase"}));
    EXPECT_EQ(model.settings().main.mute_volume.Format(), "default | Master,75,75");
}
