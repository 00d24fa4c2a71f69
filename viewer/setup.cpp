// Set-up and release of the demo side: the registries, the catalogue list, the
// launcher GUI (or the direct launch), and the launcher's device resources.
#include <filesystem>
#include <new>
#include <string>

#include "demo/command.h"
#include "effects2d/frame.h"
#include "foundation/errors.h"
#include "gui/bitmap.h"
#include "gui/desktop.h"
#include "script/filters.h"
#include "threedee/scene/templates.h"
#include "view3d/view3d.h"
#include "viewer/launcher.h"
#include "windxkernel/application.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"
#include "windxkernel/sound.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

std::vector<std::unique_ptr<tDCdemocollector>> catalogues;
tDCdemocollector* chosenCatalogue = nullptr;
tDCdemo* chosenDemo = nullptr;
bool startRequested = false;
std::unique_ptr<cVOXAdemo> currentDemo;
TArchive* mountedForDemo = nullptr;
bool redrawAll = false;
tFrameCounter frameCounter;
threedee::VertexArray* launcherVertices = nullptr;

namespace {

void AppendCatalogue(tDCdemocollector* catalogue) {
  std::unique_ptr<tDCdemocollector> owned(catalogue);
  try {
    catalogues.push_back(std::move(owned));
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("demo collector list!");
  }
}

// A start without any catalogue says where it looked: a start from the wrong
// folder is the usual cause.
void LogWhereNoDataWasFound() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  const std::filesystem::path data = folder / "data";
  const bool dataThere = std::filesystem::is_directory(data, error);
  const kernel::cApplication* app = GetApplication();
  const std::string program = app ? app->moduleFileName : std::string();
  LogFailure("No demo catalogue found in the folder %s%s, in the archives of %s%s%s", data.c_str(),
             dataThere ? "" : " (there is no such folder)", folder.c_str(),
             program.empty() ? "" : " or appended to ", program.c_str());
}

// The launcher's pictures, cursors and font come from viewer.dat: a start
// without it names where it was looked for.
void LogWhereNoLauncherDataWasFound() {
  if (!kernel::ViewerDataPath().empty()) return;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  const kernel::cApplication* app = GetApplication();
  const std::string program = app ? app->moduleFileName : std::string();
  const std::string besides =
      program.empty() ? std::string() : std::filesystem::path(program).parent_path().string();
  LogFailure("The launcher's data viewer.dat was found neither in %s%s%s", folder.c_str(),
             besides.empty() ? "" : " nor beside the program in ", besides.c_str());
}

}  // namespace

bool SetupDemos() {
  if (!InitCommandRegistry()) return false;
  // The 2D effects hand their creators to the built-in records, which the
  // registration below then enters.
  if (!RegisterEffects2D()) return false;
  if (!RegisterView3D()) return false;
  if (!RegisterCommands()) return false;
  if (!filter::RegisterFilters()) return false;

  for (int i = 0;; i++) {
    TArchive* dataFile = kernel::GetDataFile(i);
    if (!dataFile) break;
    const bool wasMounted = kernel::IsDataFileMounted(dataFile);
    if (!wasMounted) kernel::MountDataFile(dataFile);
    if (tDCdemocollector* catalogue = tDCdemocollector::BuildDemoList("demo.ini", dataFile))
      AppendCatalogue(catalogue);
    if (!wasMounted) kernel::UnmountDataFile(dataFile);
  }

  if (!kernel::directLaunch) {
    if (CreateGUI()) return true;
    LogWhereNoLauncherDataWasFound();
    return false;
  }
  if (catalogues.empty()) {
    LogWhereNoDataWasFound();
    LogFailure("No demo collectors found!");
    return false;
  }
  chosenCatalogue = catalogues.front().get();
  chosenDemo = chosenCatalogue->defaultDemo;
  startRequested = true;
  return true;
}

void FreeDemos() {
  DemoCounter();
  if (currentDemo) {
    currentDemo.reset();
    StopMusic();
  }
  if (!kernel::directLaunch) DestroyGUI();
  for (std::unique_ptr<tDCdemocollector>& catalogue : catalogues)
    tDCdemocollector::FreeDemoList(catalogue.release());
  catalogues.clear();
  catalogues.shrink_to_fit();
  mountedForDemo = nullptr;
  filter::FreeFilters();
  FreeCommandRegistry();
}

void CreateDeviceResources() {
  threedee::VertexFormat format;
  format.position = true;
  format.reciprocalW = true;
  format.diffuse = true;
  format.GetVertexSize();
  launcherVertices = threedee::VertexArray::Create(false, 4, format);
  // The plans of the materials depend on what this device accepts.
  threedee::BuildMaterialTemplates();
}

void ReleaseDeviceResources() {
  threedee::FreeMaterialTemplates();
  delete launcherVertices;
  launcherVertices = nullptr;
}

// A run frees what it made; after it only the choices and the counter remain.
void ResetLauncherState() {
  catalogues.clear();
  chosenCatalogue = nullptr;
  chosenDemo = nullptr;
  startRequested = false;
  currentDemo.reset();
  mountedForDemo = nullptr;
  redrawAll = false;
  frameCounter = tFrameCounter{};
  launcherVertices = nullptr;
  desktop = nullptr;
  mainWindow = nullptr;
  mainElements = tMainWindowElements{};
  desktopPicture = nullptr;
  mainPicture = nullptr;
  ZGUI::MouseCursor.Clear();
  ResetInputHandOff();
}

}  // namespace VOXA2
