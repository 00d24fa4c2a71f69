// One loaded demo: the objects its script declares (surfaces, pipelines,
// sequences, handlers, key bindings, data collectors, music settings) and the
// clock that plays them once per frame.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo/datacollector.h"
#include "demo/pipeline.h"
#include "foundation/basis.h"

namespace VOXA2 {

class cParserT;

namespace video {
class voxaSurface;
class kernelSurface;
}  // namespace video

// Kinds of the parser symbols that the demo compiler defines.
enum : std::int32_t {
  symScreenBuffer = 100,     // a cContainer holding a voxaSurface: DDSprimary, DDSsecondary
  symTemporaryBuffer = 101,  // DDStemporary and every "buffer"
  symPipeline = 102,
  symSequence = 103,
  symHandler = 104,
  symCommand = 105,  // holds the command's tCommandDesc
};

class cVOXAsequence : public virtual basis::basisObject {
 public:
  struct tPipelineTime {
    float add;
    float multiply;
  };

  explicit cVOXAsequence(cVOXAdemo* owner) : demo(owner) {}
  ~cVOXAsequence() override = default;

  cVOXAdemo* demo;
  bool active = false;
  std::vector<cVOXApipeline*> pipelines;  // not owned
  std::vector<tPipelineTime> times;
  float start = 0, end = 0, length = 0;
  float relativeStart = 0, relativeEnd = 0, relativeLength = 0;
};

struct tHandler : public virtual basis::basisStruct {
  tHandler() = default;
  ~tHandler() override = default;

  bool loopGiven = false;
  bool loopOn = false;
  float loopTarget = 0;
  float loopPoint = 0;
  bool jumpGiven = false;
  float jumpTime = 0;
  bool enabled = true;
  std::vector<tHandler*> enableList;  // none of the three lists owns its handlers
  std::vector<tHandler*> disableList;
  std::vector<tHandler*> triggerList;
  // Set while the handler is being fired, so that trigger cycles end.
  bool firing = false;
};

struct tKeyHandler {
  std::int32_t key = 0;
  tHandler* handler = nullptr;
};

// The code of a key name (without regard to ASCII case), 0 for none.
std::int32_t LookupKeyName(const char* name);

// What the demo shows while it loads: drawn into the locked back buffer with
// its top left corner at (left, top), clipped to width x height.
class cLoadingPicture {
 public:
  virtual ~cLoadingPicture() = default;
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;
  virtual void Draw(void* pixels, int pitch, std::int32_t width, std::int32_t height,
                    std::int32_t left, std::int32_t top) = 0;
};

class cVOXAdemo : public virtual basis::basisObject {
 public:
  cVOXAdemo();
  ~cVOXAdemo() override;
  cVOXAdemo(const cVOXAdemo&) = delete;
  cVOXAdemo& operator=(const cVOXAdemo&) = delete;

  bool Start();
  bool Run();
  void Prepare();
  bool Restore();

  // Shows the loading picture and compiles the script; false when it fails.
  bool Load(const char* scriptName);
  static void ParseStructure(cParserT* parser, void* demo);
  void ParseTimeline(cVOXApipeline* pipeline, cParserT* parser);

  // Appends the surface; without one, a new buffer of the video device that
  // the demo frees with itself. Returns the appended surface, none on failure.
  video::voxaSurface* AddSurface(video::voxaSurface* surface);
  tHandler* AddHandler();
  tKeyHandler* AddKeyHandler();
  void FireHandler(tHandler* handler);
  void FireKeyHandlers(std::int32_t key);

  cVOXAdatacollector* FindDataCollector(const char* kind);
  bool AddDataCollector(cVOXAdatacollector* collector);

  bool running = false;
  float startTime = 0;
  float demoTime = 0;
  bool loopOn = false;
  float loopTarget = 0;
  float loopPoint = 0;
  float startOffset = 0;
  float end = 0;
  std::vector<cVOXApipeline*> pipelines;      // owned
  std::vector<cVOXAsequence*> sequences;      // owned
  std::vector<cVOXAsequence*> runList;        // not owned
  std::vector<video::voxaSurface*> surfaces;  // the device's
  std::vector<tHandler*> handlers;            // owned
  std::vector<tKeyHandler> keyHandlers;
  std::vector<cVOXAdatacollector*> dataCollectors;  // owned
  std::optional<std::string> musicFile;
  // Where the music statement stands, "file(line,column)", for the line that
  // says why its module could not be loaded.
  std::string musicWhere;
  std::int32_t musicVolume = 64;
  bool musicFlag = false;
  cLoadingPicture* loadingPicture = nullptr;  // not owned
  // The clock in seconds; the application's GetTime unless a driver sets its own.
  std::function<float()> clock;

 private:
  // The buffers this demo made (never the shared temporary surface): released with the demo.
  std::vector<video::kernelSurface*> ownBuffers_;
};

}  // namespace VOXA2
