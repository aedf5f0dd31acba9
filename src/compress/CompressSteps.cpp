#include "compress/CompressSteps.h"

#include <algorithm>
#include <filesystem>

#include "compress/CompressList.h"
#include "core/PathText.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

// Anything at all under that name: a file, a folder, a hidden file, a link.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(path, ec).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

bool ListAsFile(const std::string& path) {
  std::error_code ec;
  return !fs::is_directory(path, ec);
}

}  // namespace

std::variant<std::string, Refusal> ArchiveNameFor(const std::string& typed, bool nameBoxEnabled,
                                                  const CompressionFormat* format) {
  const std::string name = TrimSpaces(typed);
  if (nameBoxEnabled && name.empty()) return Refusal{};
  if (!format) return Refusal{"書庫の形式を選んで下さい。", "圧縮"};
  if (format->namesBy != NamesBy::Nothing && name.find(kPathSeparator) != std::string::npos)
    return Refusal{"ファイル名に \"" + std::string(1, kPathSeparator) + "\" は使えません。"};
  return WithExtension(name, format);
}

std::vector<std::string> DroppedEntries(const std::vector<std::string>& droppedFiles, int count) {
  const std::size_t listed = droppedFiles.empty() ? 0 : droppedFiles.size() - 1;
  const std::size_t n = std::min<std::size_t>(count < 0 ? 0 : static_cast<std::size_t>(count), listed);
  if (n == 0) return {};
  return std::vector<std::string>(droppedFiles.begin() + 1, droppedFiles.begin() + 1 + static_cast<long>(n));
}

std::optional<Refusal> RefuseUnlistable(const std::vector<std::string>& names, const std::string& source) {
  if (names.empty()) return Refusal{};
  const Unlistable bad = FindUnlistable(names, source);
  switch (bad.reason) {
    case UnlistableReason::None:
      return std::nullopt;
    case UnlistableReason::OutsideSource:
      return Refusal{"「" + bad.name + "」は「" + source +
                     "」の中にありません。\n圧縮するファイルやフォルダは同じフォルダからドロップして下さい。"};
    case UnlistableReason::BadCharacter:
      return Refusal{"「" + bad.name + "」は名前に \" か改行を含むため圧縮できません。"};
  }
  return Refusal{};
}

std::variant<std::string, Refusal> DestinationFor(bool toDesktop, const std::string& desktop,
                                                  const std::string& source) {
  if (!toDesktop) return source;
  std::error_code ec;
  if (desktop.empty() || !fs::is_directory(desktop, ec))
    return Refusal{"デスクトップのフォルダが見つかりません: " + desktop};
  return AddBackslash(desktop);
}

std::optional<Refusal> RefuseTakenName(const std::string& archiveName, const std::string& source,
                                       const std::string& destination) {
  for (const std::string& folder : {source, destination})
    if (NameTaken(folder + archiveName))
      return Refusal{"「" + archiveName + "」は既に存在しています。", "そのファイル名は使用できません"};
  return std::nullopt;
}

Refusal NoTemporaryName(const std::string& destination) {
  return Refusal{"「" + destination + "」に一時ファイルの名前が作れません。"};
}

Refusal ListFileUnwritable(const std::string& listFile) {
  return Refusal{"リストファイル「" + listFile + "」を書けません。"};
}

PackTexts PackTextsFor(const CompressionFormat& format, const std::vector<std::string>& names,
                       const std::string& source, const std::string& destination,
                       const std::string& tempName, const std::string& listFile) {
  PackTexts texts;
  texts.values.destination = destination;
  texts.values.archive = TempArchive(format, tempName);
  texts.values.listFile = listFile;
  ListText list = MakeListText(names, source, HeaderLines(format, texts.values), ListAsFile);
  texts.values.nameList = std::move(list.nameList);
  texts.listLines = std::move(list.lines);
  return texts;
}

std::string UnnamedArchiveText(const std::string& archiveName, const std::string& left) {
  return "書庫を「" + archiveName + "」と名付けられませんでした。\n書庫は「" + left + "」のまま残してあります。";
}

Refusal UnmakeableEntry(const std::string& entry, const std::string& reason) {
  return Refusal{"「" + entry + "」は作れません。\n" + reason};
}

Refusal FailedConversion(const std::string& log) {
  std::string text = "自己解凍書庫を作れませんでした。";
  const std::size_t end = log.find_last_not_of("\n");
  if (end != std::string::npos) text += "\n" + log.substr(0, end + 1);
  return Refusal{text};
}

}  // namespace ks
