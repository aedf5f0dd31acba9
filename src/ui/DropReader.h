#pragma once
// Reads the file names out of a drop. Every drop target of the program
// (the three zones and the logo) goes through this one function, so they all
// agree on what counts as a file drop.

#include <optional>
#include <string>
#include <vector>

class QMimeData;

namespace ks {

// The full native paths of the local files a drop carries, in drop order,
// exactly as the sender gave them (a trailing separator stays). nullopt when
// the drop carries no local file name at all: plain text, only remote
// addresses, a desktop icon with no file behind it. Remote addresses mixed
// with local files are left out.
std::optional<std::vector<std::string>> DroppedNames(const QMimeData* data);

// What the extract and check zones say to a drop that carries no file names
// (a desktop icon such as the computer or the wastebasket).
void RefuseDropWithoutNames();

}  // namespace ks
