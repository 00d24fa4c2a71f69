#include "windxkernel/kernel.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <vector>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/diskpath.h"
#include "foundation/fakearchive.h"
#include "foundation/text.h"
#include "foundation/vornarc.h"
#include "platform/backend.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/input.h"
#include "windxkernel/launcher.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/sound.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace kernel {

// The window title names the platform we really run on.
cWinDXKernel::cWinDXKernel() {
  windowClassName = "VOXA2_WIN32_DX7_kernel";
  windowTitle = std::string("VOXA2 viewer for Linux/") + platform::CurrentBackend().Name();
}

namespace {

std::vector<std::unique_ptr<TArchive>> dataFiles;
// The folder archive that the current folder's archives are read through: it
// lives as long as they do, since a listed archive may be opened again.
std::unique_ptr<TFakeArchive> currentFolder;
std::vector<TArchive*> mountedDataFiles;
std::string viewerDataPath;

// An own-format archive read through a member of another archive (or a file
// of the current folder, through the folder archive).
TVORNarc* NewCandidate(TArchive* outer, const char* what) {
  auto* wrapper = VOXA::errors::NewOrThrow<TArchiveWrapper>(what, outer);
  return VOXA::errors::NewOrThrow<TVORNarc>(what, std::unique_ptr<TStream>(wrapper));
}

const char* Plural(int n) { return n == 1 ? "" : "s"; }

}  // namespace

TArchive* GetDataFile(int index) {
  if (index < 0 || index >= static_cast<int>(dataFiles.size())) return nullptr;
  return dataFiles[static_cast<std::size_t>(index)].get();
}

int GetDataFileCount() { return static_cast<int>(dataFiles.size()); }

const std::string& ViewerDataPath() { return viewerDataPath; }

bool IsDataFileMounted(TArchive* archive) {
  return std::find(mountedDataFiles.begin(), mountedDataFiles.end(), archive) !=
         mountedDataFiles.end();
}

void MountDataFile(TArchive* archive) {
  if (!archive || IsDataFileMounted(archive)) return;
  mountedDataFiles.push_back(archive);
  AddArchive(archive);
}

void UnmountDataFile(TArchive* archive) {
  if (!archive || !IsDataFileMounted(archive)) return;
  RemoveArchive(archive);
  mountedDataFiles.erase(std::find(mountedDataFiles.begin(), mountedDataFiles.end(), archive));
}

void FreeDataFiles() {
  while (!mountedDataFiles.empty()) UnmountDataFile(mountedDataFiles.back());
  while (!dataFiles.empty()) dataFiles.pop_back();
  currentFolder.reset();
}

void cWinDXKernel::AddDataFile(TArchive* archive) {
  if (archive) dataFiles.emplace_back(archive);
}

cWinDXKernel::~cWinDXKernel() { FreeDataFiles(); }

std::unique_ptr<TStream> PlainFileAccess(const char* path, int32_t) {
  std::unique_ptr<TFile> file(VOXA::errors::NewOrThrow<TFile>("TFile"));
  file->SetName(path);
  if (!file->Open(1)) return nullptr;
  return file;
}

bool cWinDXKernel::Launch(int count, char** vector) {
  if (!cApplication::Launch(count, vector)) return false;
  ClearFileAccessFunctions();
  AddFileAccessFunction(PlainFileAccess);
  noSound = false;
  directLaunch = false;
  if (FindArgument("nosound", false) >= 0) {
    LogMessage(5, "  making no sound device standard");
    noSound = true;
  }
  if (FindArgument("directlaunch", false) >= 0) {
    LogMessage(5, "  disabling GUI");
    directLaunch = true;
  }
  if (!platform::CurrentBackend().HasDisplay())
    LogMessage(5, "  no display available: running headless, without a window");
  FindDataFiles();
  return true;
}

// The data file list: the folder "data\", the own-format archives of the
// current folder, the archive appended to the program file with the archives
// inside it, and "viewer.dat". Only the program's archive and "viewer.dat" are
// mounted here; the launcher mounts catalogues as it needs them.
void cWinDXKernel::FindDataFiles() {
  auto* data = VOXA::errors::NewOrThrow<TFakeArchive>("TFakeArchive");
  data->SetFileName("data\\");
  AddDataFile(data);

  currentFolder.reset(VOXA::errors::NewOrThrow<TFakeArchive>("TFakeArchive"));
  TFakeArchive* current = currentFolder.get();
  current->SetFileName("");
  LogMessage(5, "Seeking for datafiles...");
  // Only the folder's own files are candidates, so its sub-folders are not
  // walked at all: a start from a big folder stays quick.
  std::unique_ptr<TVORNarc> candidate(NewCandidate(current, "TVORNarc"));
  for (const tFolderEntry& entry : ListFolder("")) {
    // "viewer.dat" is listed once, below, as the launcher's own data.
    if (entry.isFolder || EqualsNoCase(entry.name, "viewer.dat")) continue;
    // The search mask leaves out names without an extension, the player's own
    // program among them.
    if (!MatchFileMask(entry.name.c_str(), "*.*")) continue;
    candidate->SetFileName(entry.name.c_str());
    if (!candidate->Open(1)) continue;
    LogMessage(5, "  Found datafile %s", entry.name.c_str());
    AddDataFile(candidate.release());
    candidate.reset(NewCandidate(current, "TVORNarc"));
  }
  candidate.reset();

  if (!moduleFileName.empty()) {
    auto* file = new (std::nothrow) TFile;
    auto* exe = file ? new (std::nothrow) TVORNarcEXE(std::unique_ptr<TStream>(file)) : nullptr;
    if (!exe) {
      delete file;
      throw new VOXA::errors::eCouldNotCreateObject("TVORNarcEXE");
    }
    exe->SetFileName(moduleFileName.c_str());
    if (!exe->Open(1)) {
      delete exe;
    } else {
      LogMessage(5, "VORNarc/EXE archive found!");
      AddDataFile(exe);
      MountDataFile(exe);
      ListAppendedArchives(exe);
    }
  }

  viewerDataPath.clear();
  std::unique_ptr<TStream> viewer = ::OpenFile("viewer.dat", 1024);
  if (viewer) {
    viewerDataPath = "viewer.dat";
  } else if (!moduleFileName.empty()) {
    // A demo folder of one's own needs no copy of the launcher's data: the
    // one installed with the program serves.
    const std::string beside =
        (std::filesystem::path(moduleFileName).parent_path() / "viewer.dat").string();
    viewer = PlainFileAccess(beside.c_str(), 1024);
    if (viewer) viewerDataPath = beside;
  }
  if (!viewer) return;
  LogMessage(5, "Found %s", viewerDataPath.c_str());
  auto* archive = VOXA::errors::NewOrThrow<TVORNarc>("TVORNarc", std::move(viewer));
  if (archive->Open(1)) {
    AddDataFile(archive);
    MountDataFile(archive);
    LogMessage(5, "  mounted.");
  } else {
    delete archive;
    LogMessage(5, "  failed to mount.");
  }
}

void cWinDXKernel::ListAppendedArchives(TArchive* exe) {
  std::unique_ptr<TVORNarc> candidate(NewCandidate(exe, "TVORNarc"));
  tSearchRecord record;
  int count = 0;
  for (bool found = exe->FindFirst(&record, "*.*"); found; found = exe->FindNext(&record)) {
    LogMessage(5, "    %s (%i byte%s)", record.name.c_str(), record.size, Plural(record.size));
    ++count;
    if (EqualsNoCase(record.name, "viewer.dat")) continue;
    candidate->SetFileName(record.name.c_str());
    if (!candidate->Open(1)) continue;
    LogMessage(5, "      Found datafile %s", record.name.c_str());
    AddDataFile(candidate.release());
    candidate.reset(NewCandidate(exe, "TArchiveWrapper"));
  }
  candidate.reset();
  LogMessage(5, "  %i file%s found", count, Plural(count));
  exe->FindClose(&record);
}

// The launcher's data join these steps as they are built; the launcher hooks
// stand in for the launcher until then.
bool cWinDXKernel::Initialize() {
  if (!DIInit()) return false;
  if (!DDInit()) return false;
  if (!D3DCreate()) return false;
  VOXA2::video::EnumerateVideoDevices();
  VOXA2::threedee::Init3DKernel();
  EnumerateSoundDevices();
  if (!VOXA2::SetupDemos()) {
    LogFailure("Could not initialize the Independent VOXA Kernel! Aborting...");
    ReleaseDevices();
    return false;
  }
  ClearInputState();
  inputThread = CreateThread(nullptr, 1048576, UserInteractionThread, nullptr, 0, nullptr);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  initialised = 1;
  ResumeClock();
  return true;
}

// Runs after a failed start-up as well, so every step copes with what was
// never set up.
void cWinDXKernel::Deinitialize() {
  PauseClock();
  initialised = 0;
  if (inputThread) {
    quitFlag = 1;  // the thread polls until it sees the flag
    WaitForSingleObject(inputThread, INFINITE);
    CloseHandle(inputThread);
    inputThread = nullptr;
  }
  ReleaseDevices();
}

// The same order on every road down: demos, music, sound, video, Direct3D,
// DirectDraw, DirectInput, the file access lists.
void cWinDXKernel::ReleaseDevices() {
  VOXA2::FreeDemos();
  StopMusic();
  FreeSoundDevices();
  VOXA2::threedee::Release3DKernel();
  VOXA2::video::FreeVideoDevices();
  D3DDeinit();
  DDRelease();
  DIRelease();
  FreeFileAccessLists();
}

bool cWinDXKernel::Activate() {
  if (!DIAcquire()) return false;
  if (!DDRestore()) return false;
  if (!D3DRestore()) return false;
  VOXA2::threedee::Setup3DDevice();
  {
    std::lock_guard lock(InputLock());
    VOXA2::ResumeFrameCounter(GetTime());
  }
  if (initialised) ResumeClock();
  return true;
}

bool cWinDXKernel::Deactivate() {
  if (initialised) PauseClock();
  {
    std::lock_guard lock(InputLock());
    VOXA2::PauseFrameCounter(GetTime());
  }
  return DIUnacquire();
}

bool cWinDXKernel::Render() {
  if (!VOXA2::video::ChooseVideoMode()) return false;
  LetWaitingInputIn();
  std::lock_guard lock(InputLock());
  FlushMouseMove();
  return VOXA2::Frame(GetTime());
}

void ResetKernelState() {
  videoState = tVideoState{};
  d3dState = t3DState{};
  VOXA2::screenInfo = VOXA2::tScreenInfo{};
  VOXA2::threedee::ResetRenderModes();
  VOXA2::threedee::InvalidateViewport();
  VOXA2::threedee::wBufferingInUse = false;
  VOXA2::threedee::wFogInUse = false;
  VOXA2::threedee::keptLightingState = true;
  SetDebugLogCreated(false);
  SetApplicationFactory(nullptr);
  VOXA2::ResetLauncherState();
}

}  // namespace kernel
