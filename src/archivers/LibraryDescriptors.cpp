#include <algorithm>
#include <cctype>

#include "archivers/LibraryDescriptor.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"

namespace ks {
namespace {

constexpr unsigned kStd = kEpCommand | kEpGetVersion | kEpGetRunning;
constexpr auto kBits16 = ResultWidth::Bits16;
constexpr auto kBits32 = ResultWidth::Bits32;

// Indexed by LibraryId.
const std::array<LibraryDescriptor, kCommonLibraryCount> kLibraries = {{
    {.id = LibraryId::Unlha,
     .fileName = "Unlha32.DLL", .prefix = "Unlha", .command = "Unlha",
     .entryPoints = kStd | kEpCheckArchive | kEpConfigDialog,
     .available = &HasUnlha, .probed = &ProbeResult::HasUnlha, .supported = "Lzh",
     .busyMessage = "UnLhaが暴れています。いったんKestrinoを終了します。",
     .type = kTypeLzh,
     .extract = {.prefix = "x ", .busyWidth = kBits32, .resultWidth = kBits32},
     .versionName = "UnLha32.dll"},
    {.id = LibraryId::UnZip,
     .fileName = "UnZip32.DLL", .prefix = "UnZip", .command = "UnZip",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasUnZip, .probed = &ProbeResult::HasUnZip, .supported = " Zip",
     .busyMessage = "UnZipが暴れています。いったんKestrinoを終了します。",
     .type = kTypeZip, .detect = DetectAsk::Check0,
     .extract = {.prefix = "-x -q ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "UnZip32.dll"},
    {.id = LibraryId::Zip,
     .fileName = "Zip32j.DLL", .prefix = "Zip", .command = "Zip",
     .entryPoints = kStd | kEpConfigDialog,
     .available = &HasZip, .probed = &ProbeResult::HasZip,
     .busyMessage = "Zip32jが暴れています。いったんKestrinoを終了します。",
     .versionName = "Zip32j.dll"},
    {.id = LibraryId::Cab,
     .fileName = "Cab32.DLL", .prefix = "Cab", .command = "Cab",
     .entryPoints = kStd | kEpCheckArchive | kEpConfigDialog,
     .available = &HasCab, .probed = &ProbeResult::HasCab, .supported = " Cab",
     .busyMessage = "Cab32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeCab, .detect = DetectAsk::Check0,
     .extract = {.prefix = "-x ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "Cab32.dll"},
    // Listed and tested through unrar.dll, extracted through UnRar32.DLL's
    // one command; this run can use RAR when unrar.dll answers.
    {.id = LibraryId::UnRar32,
     .fileName = "UnRar32.DLL", .prefix = "Unrar", .command = "Unrar",
     .entryPoints = kEpCommand,
     .available = &HasRar, .probed = &ProbeResult::HasRar, .supported = " Rar",
     .type = kTypeRar, .detect = DetectAsk::RarProbe,
     .extract = {.prefix = "-x ", .form = CommandForm::QuotedFolderTwice, .resultWidth = kBits16},
     .versionName = "UnRar.dll", .versionNameMissing = "UnRar32.dll"},
    {.id = LibraryId::Jack,
     .fileName = "Jack32.DLL", .prefix = "Jack", .command = "Jack",
     .entryPoints = kStd,
     .available = &HasJack, .probed = &ProbeResult::HasJack, .supported = " Jack",
     .busyMessage = "Jackが暴れています。いったんKestrinoを終了します。",
     .type = kTypeJack,
     .extract = {.prefix = "-c ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "Jack32.dll"},
    {.id = LibraryId::Tar,
     .fileName = "Tar32.DLL", .prefix = "Tar", .command = "Tar",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasTar, .probed = &ProbeResult::HasTar, .supported = " Tar",
     .busyMessage = "Tar32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeTar, .detect = DetectAsk::Check0,
     .extract = {.prefix = "-xvaf ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "Tar32.dll"},
    {.id = LibraryId::Unarj,
     .fileName = "UnArj32j.DLL", .prefix = "Unarj", .command = "Unarj",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasUnarj, .probed = &ProbeResult::HasUnarj, .supported = " Arj",
     .busyMessage = "UnArj32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeArj, .detect = DetectAsk::Check0,
     .extract = {.prefix = "x -hk -jyc ", .busyWidth = kBits32, .resultWidth = kBits32},
     .versionName = "UnArj32J.dll"},
    {.id = LibraryId::Ish,
     .fileName = "Ish32.DLL", .prefix = "Ish", .command = "Ish",
     .entryPoints = kStd | kEpFileList,
     .available = &HasIsh, .probed = &ProbeResult::HasIsh, .supported = " Ish",
     .busyMessage = "Ish32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeIsh, .detect = DetectAsk::FileList,
     .extract = {.prefix = "", .form = CommandForm::ShortPaths, .busyWidth = kBits32,
                 .resultWidth = kBits32},
     .versionName = "Ish32.dll"},
    {.id = LibraryId::UnGCA,
     .fileName = "UnGCA32.DLL", .prefix = "UnGCA", .command = "UnGCA",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasUnGCA, .probed = &ProbeResult::HasUnGCA, .supported = " Gca",
     .busyMessage = "UnGCA32が暴れています。いったんKestrinoを終了します。",
     .detectBusyMessage = "UnGca32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeGca, .detect = DetectAsk::Check8,
     .extract = {.prefix = "e -sx1 ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "UnGCA32.dll"},
    {.id = LibraryId::Yz1,
     .fileName = "Yz1.DLL", .prefix = "Yz1", .command = "Yz1",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasYz1, .probed = &ProbeResult::HasYz1, .supported = " Yz1",
     .busyMessage = "Yz1が暴れています。いったんKestrinoを終了します。",
     .type = kTypeYz1, .detect = DetectAsk::Check0,
     .extract = {.prefix = "x ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "Yz1.dll"},
    {.id = LibraryId::Bga,
     .fileName = "Bga32.DLL", .prefix = "Bga", .command = "Bga",
     .entryPoints = kStd | kEpCheckArchive,
     .available = &HasBga, .probed = &ProbeResult::HasBga, .supported = " Bga",
     .busyMessage = "Bga32が暴れています。いったんKestrinoを終了します。",
     .conversionBusyMessage = "BGA32が暴れています。いったんKestrinoを終了します。",
     .type = kTypeBga, .extractAlsoType = "GZA", .detect = DetectAsk::Check0,
     .extract = {.prefix = "x -a -r ", .busyWidth = kBits16, .resultWidth = kBits16},
     .versionName = "Bga32.dll"},
}};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

const LibraryDescriptor& DescriptorOf(LibraryId id) { return kLibraries[static_cast<std::size_t>(id)]; }

const std::array<LibraryDescriptor, kCommonLibraryCount>& AllLibraries() { return kLibraries; }

std::optional<LibraryId> LibraryByFileName(const std::string& fileName) {
  const std::string wanted = Lower(fileName);
  for (const auto& d : kLibraries)
    if (Lower(d.fileName) == wanted) return d.id;
  return std::nullopt;
}

const char* DetectBusyMessage(const LibraryDescriptor& d) {
  return d.detectBusyMessage ? d.detectBusyMessage : d.busyMessage;
}

const char* ConversionBusyMessage(const LibraryDescriptor& d) {
  return d.conversionBusyMessage ? d.conversionBusyMessage : d.busyMessage;
}

}  // namespace ks
