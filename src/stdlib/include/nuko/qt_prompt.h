// The prompt shown as a Qt message box.
#pragma once

#include "nuko/prompt.h"

namespace nuko {

class QtPrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;
};

}  // namespace nuko
