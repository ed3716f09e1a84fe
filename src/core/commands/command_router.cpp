#include "core/commands/command_router.h"

#include <cstdio>

#include "nuko/strings.h"

namespace nuko::app {

std::string FormatMenuText(int id, std::initializer_list<int> values) {
    const std::string format(LoadString(id));
    const int* v = values.begin();
    char buf[256];
    switch (values.size()) {
        case 1: std::snprintf(buf, sizeof buf, format.c_str(), v[0]); break;
        case 2: std::snprintf(buf, sizeof buf, format.c_str(), v[0], v[1]); break;
        default: return format;
    }
    return buf;
}

void CommandRouter::Register(int id, Command command) { table_[id] = std::move(command); }

void CommandRouter::Unregister(int id) { table_.erase(id); }

bool CommandRouter::IsEnabled(int id) const {
    auto it = table_.find(id);
    if (it == table_.end() || !it->second.run) return false;
    return !it->second.enabled || it->second.enabled();
}

bool CommandRouter::IsChecked(int id) const {
    auto it = table_.find(id);
    return it != table_.end() && it->second.checked && it->second.checked();
}

bool CommandRouter::IsCheckable(int id) const {
    auto it = table_.find(id);
    return it != table_.end() && it->second.checked;
}

std::string CommandRouter::Text(int id) const {
    auto it = table_.find(id);
    if (it != table_.end() && it->second.text) return it->second.text();
    return std::string(LoadString(id));
}

bool CommandRouter::Run(int id) {
    if (!IsEnabled(id)) return false;
    // Copied: the command may replace its own registration while it runs.
    std::function<void()> run = table_[id].run;
    ++depth_;
    run();
    --depth_;
    // A command run by another command refreshes once, with the outer one.
    if (depth_ == 0) Refresh();
    return true;
}

void CommandRouter::Refresh() {
    for (const auto& w : watchers_) w();
}

}  // namespace nuko::app
