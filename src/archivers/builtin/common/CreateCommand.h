#pragma once
// The creating command lines of Zip32j and Cab32: switches, then the quoted
// archive, then the quoted list file reference, as in
//   -r -P pass word "/w/~ks.tmp" "@/app/kestrino.tmp"
// The switches are taken as raw text because a password stands in them
// unquoted and may hold spaces or quotes of its own.

#include <optional>
#include <string>

namespace ks {

struct CreateCommand {
  std::string switches;      // everything before the archive, minus its one separating space
  std::string archive;       // without quotes
  std::string listArgument;  // "@" + list file, without quotes
};

// nullopt when the line does not end in two quoted arguments.
std::optional<CreateCommand> SplitCreateCommand(const std::string& line);

}  // namespace ks
