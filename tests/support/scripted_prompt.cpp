#include "scripted_prompt.h"

namespace nuko::test {

PromptAnswer ScriptedPrompt::Ask(const PromptRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) return DefaultAnswer(request.buttons);
    PromptAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

std::vector<int> ScriptedPrompt::ids() const {
    std::vector<int> out;
    for (const auto& r : asked_) out.push_back(r.string_id);
    return out;
}

}  // namespace nuko::test
