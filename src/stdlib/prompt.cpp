#include "nuko/prompt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "nuko/strings.h"

namespace nuko {
namespace {

class ConsolePrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override {
        if (!request.caption.empty()) std::fprintf(stderr, "%s: ", request.caption.c_str());
        std::fprintf(stderr, "%s\n", request.text.c_str());
        return DefaultAnswer(request.buttons);
    }
};

ConsolePrompt g_console;
std::atomic<Prompt*> g_current{nullptr};

Prompt* ExchangePrompt(Prompt* prompt) { return g_current.exchange(prompt); }

}  // namespace

void EchoToStandardError(std::string_view text) {
    std::string line(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
}

PromptAnswer DefaultAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok: return PromptAnswer::Ok;
        case PromptButtons::OkCancel: return PromptAnswer::Cancel;
        case PromptButtons::YesNo: return PromptAnswer::No;
        case PromptButtons::YesNoCancel: return PromptAnswer::Cancel;
        case PromptButtons::RetryCancel: return PromptAnswer::Cancel;
        case PromptButtons::AbortRetryIgnore: return PromptAnswer::Abort;
    }
    return PromptAnswer::Cancel;
}

Prompt& CurrentPrompt() {
    Prompt* p = g_current.load();
    return p ? *p : g_console;
}

void SetCurrentPrompt(Prompt* prompt) { g_current.store(prompt); }

PromptAnswer Ask(int string_id, std::initializer_list<std::string_view> args,
                 PromptButtons buttons, PromptIcon icon, std::string_view caption, void* owner) {
    PromptRequest r;
    r.string_id = string_id;
    r.text = FormatMessage(string_id, args);
    r.caption = caption;
    r.buttons = buttons;
    r.icon = icon;
    r.owner = owner;
    return CurrentPrompt().Ask(r);
}

PromptAnswer AskText(std::string_view text, PromptButtons buttons, PromptIcon icon,
                     std::string_view caption, void* owner) {
    PromptRequest r;
    r.text = text;
    r.caption = caption;
    r.buttons = buttons;
    r.icon = icon;
    r.owner = owner;
    return CurrentPrompt().Ask(r);
}

ScopedPrompt::ScopedPrompt(Prompt* prompt) : previous_(ExchangePrompt(prompt)) {}
ScopedPrompt::~ScopedPrompt() { SetCurrentPrompt(previous_); }

}  // namespace nuko
