// The 36 material templates of the present 3D device, built after the device
// starts and freed before it goes. Index n = 18 × material (0 opaque,
// 1 transparent) + 6 × first map + 3 × second map (0 none, 1 transparent) +
// reflection map, the map classes 0 opaque, 1 transparent, 2 none. An entry is
// null where the combination is not drawn (a second map without a first).
#pragma once

#include "threedee/scene/renderstage.h"

namespace VOXA2::threedee {

constexpr int kMaterialTemplateCount = 36;
extern cMatTemplate* materialTemplates[kMaterialTemplateCount];

constexpr int TemplateIndex(int transparent, int firstMap, int secondMap, int reflection) {
  return 18 * transparent + 6 * firstMap + 3 * secondMap + reflection;
}

// Builds the table for the present device and reports it in the debug log;
// nothing while it is built.
void BuildMaterialTemplates();
void FreeMaterialTemplates();

}  // namespace VOXA2::threedee
