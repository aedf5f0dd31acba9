#include "compress/CompressFormats.h"

#include <cctype>

#include "core/PathText.h"
#include "core/TextWidth.h"

namespace ks {
namespace {

const char* Busy(LibraryId id) { return DescriptorOf(id).busyMessage; }
const char* ConversionBusy(LibraryId id) { return ConversionBusyMessage(DescriptorOf(id)); }

CompressionFormat Lzh(const char* entry, const char* extension, const char* conversionTail,
                      bool namesFolder, const char* code) {
  const bool sfx = *conversionTail != '\0' || namesFolder;
  return {entry, LibraryId::Unlha, Busy(LibraryId::Unlha), sfx ? ConversionBusy(LibraryId::Unlha) : "",
          extension, false,
          NamesBy::ListWithHeader, "", false, sfx ? "s -x1 " : "", conversionTail, namesFolder,
          code, "LZH"};
}

CompressionFormat Listed(const char* entry, LibraryId library, const char* extension,
                         const char* head, const char* code, const char* label) {
  return {entry, library, Busy(library), "", extension, false, NamesBy::ListFile, head, false, "", "",
          false, code, label};
}

CompressionFormat Bga(const char* entry, const char* extension, const char* head, bool sfx,
                      const char* code, const char* label) {
  return {entry, LibraryId::Bga, Busy(LibraryId::Bga), sfx ? ConversionBusy(LibraryId::Bga) : "",
          extension, false,
          NamesBy::ListFile, head, false, sfx ? "s " : "", "", false, code, label};
}

CompressionFormat Yz1(const char* entry, const char* head, bool password, const char* code) {
  return {entry, LibraryId::Yz1, Busy(LibraryId::Yz1), "", ".yz1", false, NamesBy::NameList, head, password,
          "", "", false, code, "Yz1"};
}

std::vector<CompressionFormat> MakeTable() {
  std::vector<CompressionFormat> t;
  t.push_back(Lzh("Lha", ".lzh", "", false, "LHA"));
  t.push_back(Lzh("Lzh DosSFX DOS用", ".exe", "", true, "LHD"));
  t.push_back(Lzh("Lzh WinSFX Win16用", ".exe", " -jw", false, "LH16"));
  t.push_back(Lzh("Lzh WinSFXM Win16用", ".exe", " -jw3", false, "LH16M"));
  t.push_back(Lzh("Lzh WinSFX Win32用", ".exe", " -gw", false, "LH32"));
  t.push_back(Lzh("Lzh WinSFXM Win32用", ".exe", " -gw3", false, "LH32M"));

  CompressionFormat cab = Listed("Cab", LibraryId::Cab, ".cab", "-a", "CAB", "Cab");
  cab.cabStem = true;
  t.push_back(cab);
  CompressionFormat cabSfx = cab;
  cabSfx.entry = "Cab SFX";
  cabSfx.extension = ".exe";
  cabSfx.conversionBusyMessage = ConversionBusy(LibraryId::Cab);
  cabSfx.conversionHead = "-f -w ";
  cabSfx.code = "CAS";
  t.push_back(cabSfx);

  t.push_back(Listed("Zip", LibraryId::Zip, ".zip", "-r", "ZIP", "Zip"));
  CompressionFormat zipPass =
      Listed("Zip Password付き", LibraryId::Zip, ".zip", "-r -P ", "ZIE", "ZipP");
  zipPass.password = true;
  t.push_back(zipPass);

  t.push_back(Listed("Tar", LibraryId::Tar, ".tar", "-cvf", "TAR", "Tar"));
  t.push_back(Listed("Tar(gzip)", LibraryId::Tar, ".tgz", "-czf", "TAG", "TGZ"));
  t.push_back(Listed("Tar(bzip2)", LibraryId::Tar, ".bz2", "-cBf", "TAB", "Bz2"));

  // The switches end in a space and get the separating one as well.
  t.push_back(Bga("GZA", ".gza", "a -a -m1 -r ", false, "GZA", "GZA"));
  t.push_back(Bga("GZA SFX", ".exe", "a -a -m1 -r ", true, "GZS", "GZA"));
  t.push_back(Bga("BZA", ".bza", "a -a -m2 -r ", false, "BZA", "BZA"));
  t.push_back(Bga("BZA SFX", ".exe", "a -a -m2 -r ", true, "BZS", "BZA"));

  t.push_back(Yz1("Yz1", "c", false, "YZ1"));
  t.push_back(Yz1("Yz1 Password付き", "c -p", true, "YZP"));
  t.push_back(Yz1("Yz1 公開鍵Password付き", "c -P", true, "YZK"));

  t.push_back({kDoNothingEntry, std::nullopt, "", "", "", false, NamesBy::Nothing, "", false, "",
               "", false, "NOT", ""});
  return t;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[text.size() - tail.size() + i]);
    const auto b = static_cast<unsigned char>(tail[i]);
    if (std::toupper(a) != std::toupper(b)) return false;
  }
  return true;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

const std::vector<CompressionFormat>& CompressionFormats() {
  static const std::vector<CompressionFormat> table = MakeTable();
  return table;
}

const CompressionFormat* FindCompressionFormat(const std::string& entry) {
  for (const CompressionFormat& f : CompressionFormats())
    if (entry == f.entry) return &f;
  return nullptr;
}

bool IsSelfExtracting(const CompressionFormat& format) { return *format.conversionHead != '\0'; }

std::vector<std::string> FormatEntries(const ProbeResult& has, bool offerNothing) {
  std::vector<std::string> entries;
  if (offerNothing) entries.emplace_back(kDoNothingEntry);
  for (const CompressionFormat& f : CompressionFormats()) {
    if (!f.library) continue;
    if (has.*DescriptorOf(*f.library).probed) entries.emplace_back(f.entry);
  }
  return entries;
}

std::string EntryOfCode(const std::string& code) {
  for (const CompressionFormat& f : CompressionFormats())
    if (code == f.code) return f.entry;
  return "Lha";
}

std::string WithExtension(const std::string& typed, const CompressionFormat* format) {
  if (!format || *format->extension == '\0') return typed;
  const std::string extension = format->extension;
  if (IsSelfExtracting(*format)) {
    if (EndsWith(typed, ".exe") || EndsWith(typed, ".EXE")) return typed;
  } else if (EndsWithNoCase(typed, extension)) {
    return typed;
  }
  return typed + extension;
}

std::string TempArchive(const CompressionFormat& format, const std::string& tempName) {
  return format.cabStem ? StripExtension(tempName) + ".cab" : tempName;
}

std::vector<std::string> HeaderLines(const CompressionFormat& format, const CommandValues& v) {
  if (format.namesBy != NamesBy::ListWithHeader) return {};
  return {"a -x1 -r2", Quoted(v.destination + v.archive)};
}

std::string MakeCommandLine(const CompressionFormat& format, const CommandValues& v) {
  const std::string list = Quoted("@" + v.listFile);
  switch (format.namesBy) {
    case NamesBy::Nothing:
      return std::string();
    case NamesBy::ListWithHeader:
      return list;
    case NamesBy::ListFile:
    case NamesBy::NameList:
      break;
  }
  std::string line = format.commandHead;
  if (format.password) line += v.password;
  line += " " + Quoted(v.destination + v.archive) + " ";
  line += format.namesBy == NamesBy::NameList ? v.nameList : list;
  return line;
}

std::string ConversionCommandLine(const CompressionFormat& format, const CommandValues& v) {
  if (!IsSelfExtracting(format)) return std::string();
  std::string line = format.conversionHead + Quoted(v.destination + v.archive);
  line += format.conversionTail;
  if (format.conversionNamesFolder) line += " " + Quoted(v.destination);
  return line;
}

std::string ConvertedProgram(const CommandValues& v) {
  return v.destination + StripExtension(v.archive) + ".exe";
}

std::string CompressResultLine(const std::string& archive, const std::string& label, bool ok) {
  return FitText(archive, 25) + "     " + label + "     " + (ok ? "OK" : "失敗！");
}

}  // namespace ks
