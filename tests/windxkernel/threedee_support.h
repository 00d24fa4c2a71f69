// Runs a body with the display and a Direct3D device set up, recording every
// call that reaches the device.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/fakehardware.h"

namespace threedeetest {

struct Recorder {
  std::vector<platform::D3DCall> calls;
  void Clear() { calls.clear(); }
  // Calls of one method, in order.
  std::vector<platform::D3DCall> Of(const std::string& method) const;
};

// The 3D layer's caches start afresh; batches are destroyed after the body.
// Returns the debug log's lines.
std::vector<std::string> With3D(const std::function<void(Recorder&)>& body);

}  // namespace threedeetest
