// One table of the player's commands by id: what a command does, whether it
// applies now, whether its menu entry is checked and the text it shows. The
// menu, the buttons and every other component (hot keys, tray, mini window,
// the MIDI-Word window's context menu) run commands only through it; a
// command nobody registered is greyed.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace nuko::app {

// A menu text whose string-table entry is a format with one or two integers
// ("ｽﾘｰﾌﾟ ON [%02i分](&N)").
std::string FormatMenuText(int id, std::initializer_list<int> values);

class CommandRouter {
public:
    struct Command {
        std::function<void()> run;
        // Unset: enabled whenever `run` is set.
        std::function<bool()> enabled;
        // Unset: not a check item.
        std::function<bool()> checked;
        // Unset: the string-table text of the id.
        std::function<std::string()> text;
    };

    // A later registration of the same id replaces the earlier one.
    void Register(int id, Command command);
    void Unregister(int id);
    bool Has(int id) const { return table_.count(id) != 0; }

    // Runs the command when it applies now, then tells the watchers; false
    // when it did not run.
    bool Run(int id);
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    bool IsCheckable(int id) const;
    std::string Text(int id) const;

    // Called after every command that ran, and when a component says that
    // what its commands show has changed (Refresh).
    void Watch(std::function<void()> watcher) { watchers_.push_back(std::move(watcher)); }
    void Refresh();

private:
    std::map<int, Command> table_;
    std::vector<std::function<void()>> watchers_;
    int depth_ = 0;
};

}  // namespace nuko::app
