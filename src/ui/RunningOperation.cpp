#include "ui/RunningOperation.h"

namespace ks {
namespace {

int g_running = 0;

}  // namespace

RunningOperation::RunningOperation() { ++g_running; }
RunningOperation::~RunningOperation() { --g_running; }

bool OperationRunning() { return g_running > 0; }

}  // namespace ks
