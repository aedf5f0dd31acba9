#include "archivers/builtin/common/BuiltinBackend.h"

#include <exception>

namespace ks {

int BuiltinBackend::Command(WindowHandle owner, const std::string& commandLine, char* output,
                            std::size_t size) {
  OutputLog log;
  int result;
  if (running_) {
    log.Line("another command of this library is still running");
    result = kArcAlreadyRunning;
  } else {
    RunningScope scope(*this);
    try {
      result = Execute(owner, commandLine, log);
    } catch (const std::bad_alloc&) {
      log.Line("out of memory");
      result = kArcCannotWrite;
    } catch (const std::exception& e) {
      log.Line(std::string("error: ") + e.what());
      result = kArcCannotWrite;
    }
  }
  log.WriteTo(output, size);
  return result;
}

}  // namespace ks
