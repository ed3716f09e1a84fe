#include "nuko/run_program.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

extern char** environ;

namespace nuko::process {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

class SpawnAttributes {
public:
    SpawnAttributes() {
        ::posix_spawnattr_init(&attr_);
        // The child starts with default signal handling and nothing blocked,
        // whatever this process changed for itself.
        sigset_t all;
        sigset_t none;
        ::sigfillset(&all);
        ::sigemptyset(&none);
        ::posix_spawnattr_setsigdefault(&attr_, &all);
        ::posix_spawnattr_setsigmask(&attr_, &none);
        ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &attr_; }

private:
    posix_spawnattr_t attr_;
};

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    std::size_t i = 0;
    while (i < command.size()) {
        char c = command[i];
        if (IsBlank(c)) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
            ++i;
            continue;
        }
        in_word = true;
        if (c == '\'') {
            std::size_t close = command.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            word += command.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == '"') {
            ++i;
            bool closed = false;
            while (i < command.size()) {
                char d = command[i];
                if (d == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < command.size()) {
                    char n = command[i + 1];
                    if (n == '$' || n == '`' || n == '"' || n == '\\') {
                        word += n;
                        i += 2;
                        continue;
                    }
                    if (n == '\n') {
                        i += 2;
                        continue;
                    }
                }
                word += d;
                ++i;
            }
            if (!closed) return std::nullopt;
        } else if (c == '\\') {
            if (i + 1 < command.size()) {
                if (command[i + 1] != '\n') word += command[i + 1];
                i += 2;
            } else {
                ++i;  // a backslash at the very end stands for nothing
            }
        } else {
            word += c;
            ++i;
        }
    }
    if (in_word) words.push_back(std::move(word));
    if (words.empty()) return std::nullopt;
    return words;
}

std::error_code StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    SpawnAttributes attr;
    pid_t pid = 0;
    bool search = argv[0].find('/') == std::string::npos;
    int rc = search ? ::posix_spawnp(&pid, args[0], nullptr, attr.get(), args.data(), environ)
                    : ::posix_spawn(&pid, args[0], nullptr, attr.get(), args.data(), environ);
    if (rc != 0) return {rc, std::generic_category()};
    // Nobody waits for the program; a small thread reaps it when it ends.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return {};
}

StartFailure ClassifyStartError(std::error_code ec) {
    if (!ec) return StartFailure::None;
    if (ec.category() != std::generic_category() && ec.category() != std::system_category())
        return StartFailure::Other;
    switch (ec.value()) {
        case ENOENT: return StartFailure::FileNotFound;
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG: return StartFailure::PathNotFound;
        case EACCES:
        case EPERM: return StartFailure::AccessDenied;
        case ENOEXEC:
        case ELIBBAD:
        case EISDIR: return StartFailure::BadFormat;
        default: return StartFailure::Other;
    }
}

void ShowStartFailure(std::error_code ec, int message_id, void* owner) {
    PromptRequest r;
    if (ClassifyStartError(ec) == StartFailure::Other) {
        r.text = ec.message();
    } else {
        r.string_id = message_id;
        r.text = FormatMessage(message_id);
    }
    r.caption = LoadString(strings::kRunCommandErrorCaption);
    r.icon = PromptIcon::Information;
    r.owner = owner;
    CurrentPrompt().Ask(r);
}

bool RunProgram(const std::vector<std::string>& argv, int message_id, void* owner) {
    std::error_code ec = StartProgram(argv);
    if (ec) ShowStartFailure(ec, message_id, owner);
    return !ec;
}

bool RunProgram(std::string_view command, int message_id, void* owner) {
    auto argv = SplitCommandLine(command);
    // An open quote leaves no program to start: told as a missing file.
    if (!argv) {
        ShowStartFailure(std::make_error_code(std::errc::no_such_file_or_directory), message_id, owner);
        return false;
    }
    return RunProgram(*argv, message_id, owner);
}

}  // namespace nuko::process
