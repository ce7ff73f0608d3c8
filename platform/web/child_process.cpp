// A page cannot start programs: recording into a video is a desktop feature.
#include "platform/child_process.h"

namespace platform {

ChildProcess::~ChildProcess() = default;
bool ChildProcess::Start(const std::vector<std::string>&, bool) { return false; }
bool ChildProcess::Write(const void*, size_t) { return false; }
ChildProcess::End ChildProcess::Finish() { return End::Failed; }
void ChildProcess::Kill() {}
bool HaveProgram(const std::string&) { return false; }

}  // namespace platform
