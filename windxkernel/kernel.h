// The program's application object: the application specialised for our
// platform layer. Devices, data mounting and the launcher join it as they are built.
#pragma once

#include <memory>
#include <string>

#include "foundation/archive.h"
#include "foundation/stream.h"
#include "windxkernel/application.h"

namespace kernel {

class cWinDXKernel : public cApplication {
 public:
  cWinDXKernel();
  ~cWinDXKernel() override;

  bool Launch(int argumentCount, char** argumentVector) override;
  bool Initialize() override;
  void Deinitialize() override;
  bool Activate() override;
  bool Deactivate() override;
  bool Render() override;

  // Releases everything the start-up made, in reverse order; harmless twice.
  void ReleaseDevices();

  // Lists (and partly mounts) the data files at launch.
  void FindDataFiles();
  void ListAppendedArchives(TArchive* exe);

  // Appends an archive to the data file list, which owns it; null is ignored.
  void AddDataFile(TArchive* archive);

  int initialised = 0;
  HANDLE inputThread = nullptr;
};

// The data files found at launch, in the order found (owned by the list), and
// the subset that is mounted in the file access layer.
TArchive* GetDataFile(int index);
int GetDataFileCount();
void MountDataFile(TArchive* archive);
void UnmountDataFile(TArchive* archive);
bool IsDataFileMounted(TArchive* archive);
// Where the launcher's own data was found at launch: "viewer.dat" in the
// current folder, the file beside the program, or empty when neither exists.
const std::string& ViewerDataPath();
// Unmounts and destroys every data file, last to first.
void FreeDataFiles();

// The plain-file access of the data tree: opens the path for reading as a
// TFile, or answers null.
std::unique_ptr<TStream> PlainFileAccess(const char* path, int32_t bufferSize);

// Puts the kernel's process-wide state back as a fresh process has it: the
// display and device records, the screen description, the 3D layer's kept
// states, the debug log as not yet created, the default application
// factory, and the launcher's state on top. For a second run in the same process (tests); whatever a run made
// must have been released by it.
void ResetKernelState();

}  // namespace kernel
