// Starting outside programs: from an argument vector with posix_spawn,
// never through a shell. A command text (from the settings, or typed by the
// user) is split into words as a shell would split it, quotes honoured and
// nothing expanded or run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace nuko::process {

// Words of a command text: blanks separate words; '...' keeps everything
// literally; "..." keeps everything but a backslash before $ ` " \ or a line
// end; a backslash outside quotes keeps the next character. nullopt when a
// quote is left open or the text has no words.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command);

// Starts the program as a new process and does not wait for it (it is
// reaped when it ends). A program name without "/" is searched in PATH.
std::error_code StartProgram(const std::vector<std::string>& argv);

// The four failures that the caller's own message explains.
enum class StartFailure { None, FileNotFound, PathNotFound, AccessDenied, BadFormat, Other };
StartFailure ClassifyStartError(std::error_code ec);

// Starts the program; on failure shows a message captioned with string 184
// (information icon): the text of `message_id` for the four failures above,
// the system's own text for any other. True when the program started.
bool RunProgram(const std::vector<std::string>& argv, int message_id, void* owner = nullptr);
bool RunProgram(std::string_view command, int message_id, void* owner = nullptr);

// The message RunProgram shows for a failed start.
void ShowStartFailure(std::error_code ec, int message_id, void* owner = nullptr);

}  // namespace nuko::process
