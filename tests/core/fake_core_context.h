// The context of a core under test: the test's settings, work folder,
// dispatcher, clock and fake back ends, midnight as the time of day, and
// random play orders seeded from 1 on, so that every run draws the same.
// Callers set what else they need (a settings store, lists in the
// background, a moving time of day).
#pragma once

#include <cstdint>
#include <string>

#include "core/player_core.h"

namespace nuko::test {

inline app::CoreContext FakeCoreContext(settings::Settings& s, const std::string& work_folder, Dispatcher& dispatcher,
                                        Clock& clock, playback::BackendFactory& backends) {
    app::CoreContext ctx;
    ctx.settings = &s;
    ctx.work_folder = work_folder;
    ctx.dispatcher = &dispatcher;
    ctx.clock = &clock;
    ctx.time_of_day = [] { return 0; };
    ctx.backends = &backends;
    ctx.shuffle_seed = [seed = std::uint32_t{1}]() mutable { return seed++; };
    return ctx;
}

}  // namespace nuko::test
