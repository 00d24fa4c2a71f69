// The program's application object: the application specialised for our
// platform layer. Devices, data mounting and the launcher join it as they are built.
#pragma once

#include <memory>

#include "foundation/stream.h"
#include "windxkernel/application.h"

namespace kernel {

class cWinDXKernel : public cApplication {
 public:
  cWinDXKernel();
  ~cWinDXKernel() override = default;

  bool Launch(int argumentCount, char** argumentVector) override;
  bool Initialize() override;
  void Deinitialize() override;
  bool Activate() override;
  bool Deactivate() override;
  bool Render() override;

  // Releases everything the start-up made, in reverse order; harmless twice.
  void ReleaseDevices();

  int initialised = 0;
  HANDLE inputThread = nullptr;
};

// The plain-file access of the data tree: opens the path for reading as a
// TFile, or answers null.
std::unique_ptr<TStream> PlainFileAccess(const char* path, int32_t bufferSize);

}  // namespace kernel
