#include "windxkernel/deviceoptions.h"

#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::threedee {
namespace {

class DeviceOption : public voxaOption {
 public:
  const char* GetLabel() override { return "3D device:"; }
  int GetKind() override { return 1; }
  int GetValue() override { return kernel::d3dState.currentDevice; }
  void SetValue(int value) override {
    if (value >= 0 && value < static_cast<int>(kernel::d3dDevices.size()))
      chosenDeviceIndex = value;
  }
  const char* GetValueName(int index) override {
    if (index < 0 || index >= static_cast<int>(kernel::d3dDevices.size())) return nullptr;
    return kernel::d3dDevices[static_cast<size_t>(index)]->description.c_str();
  }
};

class WBufferOption : public voxaOption {
 public:
  const char* GetLabel() override { return "Enable Alternate Depth Buffering (W-Buffering)"; }
  int GetKind() override { return 0; }
  int GetValue() override { return wBufferingInUse ? 1 : 0; }
  void SetValue(int value) override { wBufferingInUse = value != 0; }
  const char* GetValueName(int) override { return nullptr; }
};

DeviceOption deviceOption;
WBufferOption wBufferOption;

}  // namespace

voxaOption& optionDevice = deviceOption;
voxaOption& optionWBuffer = wBufferOption;

}  // namespace VOXA2::threedee
