#include "archivers/ArchiverHost.h"

#include "core/PathText.h"

namespace ks {
namespace {

class SilentProgress : public Progress {
 public:
  bool Update(const std::string&, std::uint64_t, std::uint64_t) override { return true; }
};

class DefaultHost : public ArchiverHost {
 public:
  std::unique_ptr<Progress> BeginProgress(WindowHandle, const std::string&) override {
    return std::make_unique<SilentProgress>();
  }
  std::optional<std::string> AskPassword(WindowHandle, const std::string&, const std::string&,
                                         bool) override {
    return std::nullopt;
  }
  OverwriteAnswer AskOverwrite(WindowHandle, const std::string&) override {
    return OverwriteAnswer::Skip;
  }
};

DefaultHost g_default;
ArchiverHost* g_host = nullptr;
std::string g_caption;

}  // namespace

RunCaption::RunCaption(const std::string& operation, const std::string& archive)
    : previous_(std::move(g_caption)) {
  g_caption = operation + " — " + FileNamePart(archive);
}

RunCaption::~RunCaption() { g_caption = std::move(previous_); }

const std::string& CurrentRunCaption() { return g_caption; }

std::optional<std::string> ArchiverHost::AskSetting(WindowHandle, const SettingChoices&) {
  return std::nullopt;
}

ArchiverHost& TheArchiverHost() { return g_host ? *g_host : g_default; }

void SetArchiverHost(ArchiverHost* host) { g_host = host; }

}  // namespace ks
