// One interface for message boxes and questions, so that logic can ask and
// tests can answer. The answers carry the numbers of the Windows dialog
// results, which some callers store or compare.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace nuko {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class PromptIcon { None, Information, Question, Warning, Error };
enum class PromptAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct PromptRequest {
    int string_id = 0;       // the string the text came from, 0 for a free text
    std::string text;        // with its arguments filled in
    std::string caption;     // empty: the program's name
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
    void* owner = nullptr;   // the owner window (a QWidget*), or null
    int default_button = 0;  // 0-based index of the button that Enter presses
};

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows the message and waits for the answer.
    virtual PromptAnswer Ask(const PromptRequest& request) = 0;
};

// The answer a prompt gives when nobody can be asked: the safe choice.
PromptAnswer DefaultAnswer(PromptButtons buttons);

// The process-wide prompt. Until a program installs its own (the Qt one), a
// console prompt writes the text to standard error and gives DefaultAnswer.
Prompt& CurrentPrompt();
// Installs a prompt (not owned); null restores the console prompt.
void SetCurrentPrompt(Prompt* prompt);

// A message the user is shown is also one line on standard error ("PROGRAM:
// TEXT", its line breaks as spaces), so that a program started from a
// terminal or a script tells why it stopped.
void EchoToStandardError(std::string_view text);

// Shorthands that fill the request from the string table.
PromptAnswer Ask(int string_id, std::initializer_list<std::string_view> args,
                 PromptButtons buttons, PromptIcon icon, std::string_view caption = {},
                 void* owner = nullptr);
PromptAnswer AskText(std::string_view text, PromptButtons buttons, PromptIcon icon,
                     std::string_view caption = {}, void* owner = nullptr);

// Installs a prompt for the life of the object and restores the previous one.
class ScopedPrompt {
public:
    explicit ScopedPrompt(Prompt* prompt);
    ~ScopedPrompt();
    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;

private:
    Prompt* previous_;
};

}  // namespace nuko
