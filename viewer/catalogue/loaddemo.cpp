#include "viewer/catalogue/loaddemo.h"

#include <new>

#include "effects2d/loadingpicture.h"
#include "effects2d/picturecollector.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

std::unique_ptr<cVOXAdemo> LoadDemo(const tDCdemo* record) {
  if (!record) return nullptr;
  std::unique_ptr<cVOXAdemo> demo(VOXA::errors::NewOrThrow<cVOXAdemo>("cVOXAdemo"));

  // The loading picture is a piece of the demo's own picture collector, so a
  // script that shows the same picture shares it instead of loading it again.
  void* picture = nullptr;
  std::unique_ptr<cBitmapLoadingPicture> loading;
  if (record->loadingImage) {
    cVOXAdatacollector* pictures = demo->FindDataCollector("picture");
    if (!pictures) {
      pictures =
          VOXA::errors::NewOrThrow<cVOXApicturecollector>("cVOXApicturecollector", "picture");
      demo->AddDataCollector(pictures);
    }
    picture = pictures->GetData(record->loadingImage->c_str());
    if (!picture) {
      LogFailure("Could not load loading image!");
      return nullptr;
    }
    loading = std::make_unique<cBitmapLoadingPicture>(static_cast<ZGUI::cBitmap*>(picture));
    demo->loadingPicture = loading.get();
  }

  const bool compiled = record->file && demo->Load(record->file->c_str());

  if (record->loadingImage) {
    if (cVOXAdatacollector* pictures = demo->FindDataCollector("picture"))
      pictures->ReleaseDataByPointer(picture);
    demo->loadingPicture = nullptr;  // the wrapper ends with this call
  }
  if (!compiled) return nullptr;
  return demo;
}

}  // namespace VOXA2
