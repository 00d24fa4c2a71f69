// The "3D" page: the 3D device layer's options, which depend on the device.
#include "gui/button.h"
#include "gui/desktop.h"
#include "gui/window.h"
#include "viewer/setupdialog/optiongroups.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/deviceoptions.h"
#include "windxkernel/video.h"

namespace VOXA2::setupdialog {

namespace {

const detail::tOptionNames kThreedeeNames{"threedeeOption", "cBheckbox"};

void UpdateThreedeeChange() {
  threedeeChanged = detail::AnyChoiceDiffers(threedeeOptions);
  threedeeChange->SetEnabled(threedeeChanged);
}

// The desktop that holds the window: the launcher's message boxes go there.
ZGUI::cVisElement* Desktop() {
  ZGUI::cElement* root = setupwindow ? setupwindow->GetRoot() : nullptr;
  if (root && root->IsClass(ZGUI::classid::Desktop)) return static_cast<ZGUI::cDesktop*>(root);
  return nullptr;
}

}  // namespace

void BuildThreedeeOptions() {
  ClearThreedeeOptions();
  detail::BuildGroups(
      threedeeOptions, tsThreedee,
      [](int n) { return threedee::GetThreedeeOption(static_cast<std::uint32_t>(n)); },
      kThreedeeNames, "3D options list!", OnThreedeeOptionSelect, OnThreedeeOptionCheck);
  detail::LayoutPage(tsThreedee, detail::Groups(threedeeOptions), threedeeChange,
                     [](std::int32_t, std::int32_t) { return detail::Units().my; });
  detail::LoadValues(threedeeOptions);
  threedeeChanged = false;
  threedeeChange->SetEnabled(false);
}

void ClearThreedeeOptions() { detail::ClearGroups(threedeeOptions, tsThreedee); }

void OnThreedeeOptionSelect(ZGUI::cListEntry* entry) {
  threedeeOption* record = detail::RecordOf(threedeeOptions, entry);
  if (!record) return;
  record->value = entry->GetIndex();
  UpdateThreedeeChange();
}

void OnThreedeeOptionCheck(ZGUI::cVisElement* checkbox) {
  threedeeOption* record = detail::RecordOf(threedeeOptions, checkbox);
  if (!record) return;
  record->value = record->checkbox->GetChecked();
  UpdateThreedeeChange();
}

void OnThreedeeChange(ZGUI::cVisElement*) {
  std::vector<int> previous;
  previous.reserve(threedeeOptions.size());
  for (threedeeOption* record : threedeeOptions) previous.push_back(record->option->GetValue());
  for (threedeeOption* record : threedeeOptions) record->option->SetValue(record->value);
  const bool applied = threedee::Apply3DSettings();
  if (!applied) {
    // A failed change leaves no device: the previous one is started again.
    for (std::size_t i = 0; i < threedeeOptions.size(); ++i)
      threedeeOptions[i]->option->SetValue(previous[i]);
    if (!threedee::Restart3DDevice()) {
      LogFailure("Could not restart the previous 3D device either");
      video::PostApplicationQuit();
    }
  }
  BuildThreedeeOptions();
  Refresh();
  // After the refresh, which brings the Setup window to the front.
  if (!applied) ZGUI::MessageBox(Desktop(), "Could not apply the 3D settings!", "VOXA2", nullptr);
}

}  // namespace VOXA2::setupdialog
