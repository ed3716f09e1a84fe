#include "app/options/options_component.h"

#include <algorithm>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/options/options_sheet.h"

namespace nuko::app {

void OptionsComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core.Subscribe(*this);
    router.Register(cmd::kOptions, {[this] { Open({}); }});
    router.Register(cmd::kPanelOptionsFirst, {[this] { Open(QStringLiteral("全般")); }});
    router.Register(cmd::kPanelOptionsFirst + 1, {[this] { Open(QStringLiteral("ﾌｧｲﾙ")); }});
    router.Register(cmd::kPanelOptionsWord, {[this] { Open(QStringLiteral("WRD")); }});
    router.Register(cmd::kPanelOptionsVolume, {[this] { Open(QStringLiteral("ﾎﾞﾘｭｰﾑ")); }});
    router.Register(cmd::kPanelOptionsMini, {[this] { Open(QStringLiteral("MINI")); }});
    router.Register(cmd::kPanelOptionsCd, {[this] { Open(QStringLiteral("CD")); }});
}

void OptionsComponent::Open(const QString& page) {
    OptionsSheet sheet(host_.CurrentSettings(),
                       [this](const settings::Settings& s) { return host_.ApplyOptions(s); }, owner_);
    std::vector<std::unique_ptr<OptionsPage>> pages = MakeStandardPages();
    host_.AddComponentPages(pages);
    // The components' pages take their places among the sheet's own.
    static const QStringList kOrder = {QStringLiteral("全般"), QStringLiteral("ﾌｧｲﾙ"),  QStringLiteral("MIDI"),
                                       QStringLiteral("ｻｳﾝﾄﾞ"), QStringLiteral("時間表示"), QStringLiteral("WRD"),
                                       QStringLiteral("CD"),
                                       QStringLiteral("ﾎﾞﾘｭｰﾑ"), QStringLiteral("MINI"), QStringLiteral("ﾎｯﾄｷｰ"),
                                       QStringLiteral("ﾀｲﾏｰ"), QStringLiteral("ﾂｰﾙ"),  QStringLiteral("ﾄﾞﾗｲﾌﾞ")};
    const auto rank = [](const std::unique_ptr<OptionsPage>& p) {
        const auto i = kOrder.indexOf(p->title());
        return i < 0 ? kOrder.size() : i;
    };
    std::stable_sort(pages.begin(), pages.end(), [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    for (auto& p : pages) sheet.AddPage(std::move(p));
    if (!page.isEmpty()) sheet.ShowPage(page);
    sheet.exec();
}

}  // namespace nuko::app
