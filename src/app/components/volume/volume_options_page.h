// The "ﾎﾞﾘｭｰﾑ" page of the options sheet: the volume options' form on the
// settings the sheet edits; only what the user changes on it reaches them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nuko::app {

class OptionsPage;

// `labels` are the mixer lines to choose from.
std::unique_ptr<OptionsPage> MakeVolumeOptionsPage(std::vector<std::string> labels);

}  // namespace nuko::app
