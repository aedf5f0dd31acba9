#include "archivers/builtin/common/CreateCommand.h"

#include <string_view>

namespace ks {
namespace {

// Takes the last quoted argument off the end of `rest`. Paths never hold a
// double quote, so the nearest one before the closing quote opens it.
bool TakeQuotedTail(std::string_view& rest, std::string& out) {
  while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  if (rest.size() < 2 || rest.back() != '"') return false;
  const auto open = rest.rfind('"', rest.size() - 2);
  if (open == std::string_view::npos) return false;
  out = std::string(rest.substr(open + 1, rest.size() - open - 2));
  rest = rest.substr(0, open);
  return true;
}

}  // namespace

std::optional<CreateCommand> SplitCreateCommand(const std::string& line) {
  std::string_view rest(line);
  CreateCommand command;
  if (!TakeQuotedTail(rest, command.listArgument)) return std::nullopt;
  // The archive must be separated from the list by a space.
  if (rest.empty() || rest.back() != ' ') return std::nullopt;
  if (!TakeQuotedTail(rest, command.archive)) return std::nullopt;
  if (!rest.empty() && rest.back() != ' ') return std::nullopt;
  // Exactly one space separates the switches from the archive; any more
  // belong to the switches (a password may end in spaces).
  if (!rest.empty()) rest.remove_suffix(1);
  command.switches = std::string(rest);
  return command;
}

}  // namespace ks
