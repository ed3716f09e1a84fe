// The options sheet as a component: the options menu entry and the panel
// commands that open it at a page. What the sheet changes is handed to the
// player in one step through the host (the main frame), which applies it
// everywhere and writes the settings file.
#pragma once

#include <QString>

#include "app/components/component.h"

class QWidget;

namespace nuko::app {

class OptionsPage;

class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    // The settings as the player holds them now.
    virtual settings::Settings CurrentSettings() = 0;
    // Applies them everywhere and writes them; false (already told) when
    // they could not be written.
    virtual bool ApplyOptions(const settings::Settings& s) = 0;
    // The pages the components add.
    virtual void AddComponentPages(std::vector<std::unique_ptr<OptionsPage>>& pages) = 0;
};

class OptionsComponent final : public Component {
public:
    OptionsComponent(OptionsHost& host, QWidget* owner) : host_(host), owner_(owner) {}

    void Attach(PlayerCore& core, CommandRouter& router) override;
    // Opens the sheet at the page with this title (the first when empty).
    void Open(const QString& page);

private:
    OptionsHost& host_;
    QWidget* owner_;
};

}  // namespace nuko::app
