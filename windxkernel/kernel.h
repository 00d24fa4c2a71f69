// The program's application object: the application specialised for our
// platform layer. Devices, data mounting and the launcher join it as they are built.
#pragma once

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

  int initialised = 0;
  HANDLE inputThread = nullptr;
};

}  // namespace kernel
