// A prompt that answers from a script and records what it was asked.
#pragma once

#include <deque>
#include <vector>

#include "nuko/prompt.h"

namespace nuko::test {

class ScriptedPrompt final : public Prompt {
public:
    // Answers in order; once they run out, DefaultAnswer of the buttons.
    void Answer(PromptAnswer a) { answers_.push_back(a); }
    PromptAnswer Ask(const PromptRequest& request) override;

    const std::vector<PromptRequest>& asked() const { return asked_; }
    // String ids asked, in order.
    std::vector<int> ids() const;
    void Clear() { asked_.clear(); answers_.clear(); }

private:
    std::deque<PromptAnswer> answers_;
    std::vector<PromptRequest> asked_;
};

}  // namespace nuko::test
