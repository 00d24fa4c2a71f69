#include "demo/demo.h"

#include <new>

#include "demo/lists.h"
#include "foundation/allocate.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

struct tKeyName {
  std::int32_t code;
  const char* name;
};

// Codes 1 to 54 are the keyboard scan codes; the rest follow the input layer's
// own numbering.
const tKeyName keyNames[] = {
    {1, "ESCAPE"},
    {2, "1"},
    {3, "2"},
    {4, "3"},
    {5, "4"},
    {6, "5"},
    {7, "6"},
    {8, "7"},
    {9, "8"},
    {10, "9"},
    {11, "0"},
    {30, "A"},
    {48, "B"},
    {46, "C"},
    {32, "D"},
    {18, "E"},
    {33, "F"},
    {34, "G"},
    {35, "H"},
    {23, "I"},
    {36, "J"},
    {37, "K"},
    {38, "L"},
    {50, "M"},
    {49, "N"},
    {24, "O"},
    {25, "P"},
    {16, "Q"},
    {19, "R"},
    {31, "S"},
    {20, "T"},
    {22, "U"},
    {47, "V"},
    {17, "W"},
    {45, "X"},
    {21, "Y"},
    {44, "Z"},
    {12, "MINUS"},
    {13, "EQUALS"},
    {14, "BACKSPACE"},
    {15, "TABULATOR"},
    {26, "LEFTBRACKET"},
    {27, "RIGHTBRACKET"},
    {28, "RETURN"},
    {29, "LEFTCONTROL"},
    {39, "SEMICOLON"},
    {40, "APOSTROPHE"},
    {41, "GRAVE"},
    {42, "LEFTSHIFT"},
    {43, "BACKSLASH"},
    {51, "COMMA"},
    {52, "PERIOD"},
    {53, "SLASH"},
    {54, "RIGHTSHIFT"},
    {55, "LEFTALT"},
    {56, "CAPSLOCK"},
    {57, "SPACE"},
    {58, "F1"},
    {59, "F2"},
    {60, "F3"},
    {61, "F4"},
    {62, "F5"},
    {63, "F6"},
    {64, "F7"},
    {65, "F8"},
    {66, "F9"},
    {67, "F10"},
    {68, "F11"},
    {69, "F12"},
    {70, "F13"},
    {71, "F14"},
    {72, "F15"},
    {73, "NUMLOCK"},
    {74, "SCROLLLOCK"},
    {75, "NUMPADMULTIPLY"},
    {76, "NUMPAD7"},
    {77, "NUMPAD8"},
    {78, "NUMPAD9"},
    {79, "NUMPADSUBSTRACT"},
    {80, "NUMPAD4"},
    {81, "NUMPAD5"},
    {82, "NUMPAD6"},
    {83, "NUMPADADD"},
    {84, "NUMPAD1"},
    {85, "NUMPAD2"},
    {86, "NUMPAD3"},
    {87, "NUMPAD0"},
    {88, "NUMPADDECIMAL"},
    {89, "NUMPADEQUALS"},
    {90, "NUMPADCOMMA"},
    {91, "NUMPADENTER"},
    {92, "NUMPADDIVIDE"},
    {93, "RIGHTCONTROL"},
    {94, "SYSTEMREQUEST"},
    {95, "RIGHTALT"},
    {96, "HOME"},
    {97, "UP"},
    {98, "PAGEUP"},
    {99, "LEFT"},
    {100, "RIGHT"},
    {101, "END"},
    {102, "DOWN"},
    {103, "PAGEDOWN"},
    {104, "INSERT"},
    {105, "DELETE"},
    {109, "PAUSE"},
    {110, "EUROPEAN1"},
    {106, "WINDOWSLEFT"},
    {107, "WINDOWSRIGHT"},
    {108, "WINDOWSAPPLICATION"},
};
static_assert(sizeof keyNames / sizeof keyNames[0] == 110);

}  // namespace

std::int32_t LookupKeyName(const char* name) {
  std::int32_t code = 0;
  for (const tKeyName& row : keyNames)
    if (EqualNoCase(row.name, name)) code = row.code;
  return code;
}

cVOXAdemo::cVOXAdemo() : clock(GetTime) {}

cVOXAdemo::~cVOXAdemo() {
  surfaces.clear();
  for (video::kernelSurface* buffer : ownBuffers_) video::FreeTemporarySurface(buffer);
  ownBuffers_.clear();
  musicFile.reset();
  for (cVOXAsequence* s : sequences) delete s;
  sequences.clear();
  runList.clear();
  for (cVOXApipeline* p : pipelines) delete p;
  pipelines.clear();
  musicVolume = 64;
  loopOn = false;
  musicFlag = false;
  running = false;
  for (tHandler* h : handlers) delete h;
  handlers.clear();
  keyHandlers.clear();
  // Collectors outlive every command that used them.
  for (cVOXAdatacollector* c : dataCollectors) {
    c->FreeEntries();
    delete c;
  }
  dataCollectors.clear();
}

bool cVOXAdemo::Start() {
  running = true;
  startTime = clock() - startOffset;
  return true;
}

bool cVOXAdemo::Run() {
  if (!running) return false;
  float T = clock() - startTime;
  if (loopOn && T >= loopPoint) {
    startTime += loopPoint - loopTarget;
    T = clock() - startTime;
  }
  demoTime = T;
  if (!loopOn && T >= end) {
    running = false;
    return true;
  }
  for (std::size_t j = 0; j < runList.size(); j++) {
    cVOXAsequence* s = runList[j];
    const float r = T - s->start;
    if (r < 0 || r >= s->length) {
      if (s->active) {
        for (cVOXApipeline* p : s->pipelines) p->Deactivate();
        s->active = false;
      }
      continue;
    }
    if (!s->active) {
      for (cVOXApipeline* p : s->pipelines) p->Activate();
      s->active = true;
    }
    const float sequenceTime = r / s->length * s->relativeLength + s->relativeStart;
    for (std::size_t i = 0; i < s->pipelines.size(); i++) {
      const float p = sequenceTime * s->times[i].multiply + s->times[i].add;
      if (!s->pipelines[i]->Run(p)) {
        LogMessage(5,
                   "Pipeline %i failed at %f (relative to sequence: %f, relative to pipeline: "
                   "%f) seconds!",
                   static_cast<int>(i), static_cast<double>(T), static_cast<double>(sequenceTime),
                   static_cast<double>(p));
        LogMessage(5, "Sequence %i failed at %f seconds!", static_cast<int>(j),
                   static_cast<double>(T));
        return false;
      }
    }
  }
  return true;
}

void cVOXAdemo::Prepare() {
  for (cVOXApipeline* p : pipelines)
    for (cVOXAcommand* c : p->commands) c->Prepare();
  for (cVOXAdatacollector* c : dataCollectors) c->PrepareAll();
}

bool cVOXAdemo::Restore() {
  for (cVOXApipeline* p : pipelines)
    for (cVOXAcommand* c : p->commands)
      if (!c->Restore()) return false;
  for (cVOXAdatacollector* c : dataCollectors)
    if (!c->RestoreAll()) return false;
  return true;
}

video::voxaSurface* cVOXAdemo::AddSurface(video::voxaSurface* surface) {
  video::kernelSurface* made = nullptr;
  if (!surface) {
    made = video::kernelSurface::Create();
    if (!made) return nullptr;
    surface = made;
    try {
      AppendToList(ownBuffers_, made, "surface list!");
    } catch (...) {
      video::FreeTemporarySurface(made);
      throw;
    }
  }
  AppendToList(surfaces, surface, "surface list!");
  return surface;
}

tHandler* cVOXAdemo::AddHandler() {
  auto* handler = VOXA::errors::NewOrThrow<tHandler>("tHandler");
  try {
    AppendToList(handlers, handler, "handler list!");
  } catch (...) {
    delete handler;
    throw;
  }
  return handler;
}

tKeyHandler* cVOXAdemo::AddKeyHandler() {
  AppendToList(keyHandlers, tKeyHandler{}, "key handler list!");
  return &keyHandlers.back();
}

void cVOXAdemo::FireHandler(tHandler* handler) {
  // A handler already being fired is not entered again, so trigger cycles end.
  if (!handler || !handler->enabled || handler->firing) return;
  handler->firing = true;
  if (handler->loopGiven) {
    loopOn = handler->loopOn;
    loopTarget = handler->loopTarget;
    loopPoint = handler->loopPoint;
  }
  if (handler->jumpGiven) startTime = clock() - handler->jumpTime;
  for (tHandler* h : handler->enableList) h->enabled = true;
  for (tHandler* h : handler->disableList) h->enabled = false;
  for (tHandler* h : handler->triggerList) FireHandler(h);
  handler->firing = false;
}

void cVOXAdemo::FireKeyHandlers(std::int32_t key) {
  for (std::size_t i = 0; i < keyHandlers.size(); i++)
    if (keyHandlers[i].key == key) FireHandler(keyHandlers[i].handler);
}

cVOXAdatacollector* cVOXAdemo::FindDataCollector(const char* kind) {
  for (cVOXAdatacollector* c : dataCollectors)
    if (EqualNoCase(c->kindName.c_str(), kind)) return c;
  return nullptr;
}

bool cVOXAdemo::AddDataCollector(cVOXAdatacollector* collector) {
  if (!collector) return true;
  if (FindDataCollector(collector->kindName.c_str())) return false;
  AppendToList(dataCollectors, collector, "data collector list!");
  collector->demo = this;
  return true;
}

}  // namespace VOXA2
