#include "effects2d/morphcollector.h"

#include <memory>
#include <new>
#include <string>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/pictures.h"
#include "foundation/random.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

constexpr std::size_t kPathBuffer = 256;      // the longest picture path, with its terminator
constexpr std::int32_t kSide = 256;           // morph pictures are kSide x kSide
constexpr float kRandScale = 3.0518509e-05f;  // nearest float to 1 / 32767

// Walks a picture's lit pixels in byte order, starting over after the last.
class LitPixels {
 public:
  explicit LitPixels(const cMonoPic* picture) : picture_(picture) {
    if (picture) size_ = static_cast<std::size_t>(picture->width) * picture->height;
  }
  // Only called for a picture with a lit pixel.
  void Next(float scale, float* x, float* y, std::int32_t* gray) {
    const std::uint8_t* bytes = picture_->pixels;
    while (!bytes[at_]) at_ = (at_ + 1) % size_;
    const auto width = static_cast<std::size_t>(picture_->width);
    *x = static_cast<float>(at_ % width) * scale;
    *y = static_cast<float>(at_ / width) * scale;
    *gray = bytes[at_];
    at_ = (at_ + 1) % size_;
  }

 private:
  const cMonoPic* picture_;
  std::size_t size_ = 0;
  std::size_t at_ = 0;
};

// An empty name is no picture (true, *picture stays none). A picture that
// cannot be read or is not kSide x kSide is logged and refused.
bool LoadMorphPicture(const std::string& name, std::unique_ptr<cMonoPic>* picture) {
  if (name.empty()) return true;
  const std::string path = "morphs\\" + name + ".PCX";
  if (path.size() >= kPathBuffer) {
    LogMessage(5, "Morph picture name \"%s\" is too long!", name.c_str());
    return false;
  }
  picture->reset(VOXA::errors::NewOrThrow<cMonoPic>("cMonoPic"));
  if (!(*picture)->Load(path.c_str()) || (*picture)->width != kSide ||
      (*picture)->height != kSide) {
    LogMessage(5, "%s is no 256x256 grayscale picture!", path.c_str());
    picture->reset();
    return false;
  }
  return true;
}

}  // namespace

std::int32_t CountSetPixels(const cMonoPic* picture) {
  if (!picture || !picture->pixels) return 0;
  const std::size_t size = static_cast<std::size_t>(picture->width) * picture->height;
  std::int32_t count = 0;
  for (std::size_t i = 0; i < size; i++) count += picture->pixels[i] != 0;
  return count;
}

tMorph* tMorph::Build(const cMonoPic* from, const cMonoPic* to) {
  std::unique_ptr<tMorph> morph(VOXA::errors::NewOrThrow<tMorph>("tMorph"));

  const auto w = static_cast<float>(screenInfo.width);
  const auto h = static_cast<float>(screenInfo.height);
  const float halfW = w * 0.5f, halfH = h * 0.5f;
  const std::int32_t nA = CountSetPixels(from), nB = CountSetPixels(to);
  // Screens under 256 rows shrink the square to fit; one scale for both axes.
  const float s = h < 256.0f ? h * 0.00390625f : 1.0f;
  const std::int32_t n = nA > nB ? nA : nB;
  // No lit pixel at all: no points; the collector refuses such a morph.
  if (n == 0) return morph.release();
  try {
    morph->points.resize(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("morph point list");
  }

  // Both coordinates use the height, so that the cloud is a square. Worked
  // out wide and rounded to float once.
  auto random = [&] {
    return static_cast<float>((Rand() * static_cast<double>(kRandScale) - 0.5) * h + 128.0 * s);
  };
  // Centring the square on the screen moves the ends with the starts. The
  // offsets are exact, so that each start is rounded once.
  const float offsetX = halfW - 128.0f * s, offsetY = halfH - 128.0f * s;
  LitPixels a(from), b(to);
  for (tMorphPoint& p : morph->points) {
    float cx, cy;
    std::int32_t g;
    if (nA == 0) {
      p.x = random();
      p.y = random();
      p.value = 0;
      b.Next(s, &cx, &cy, &g);
      p.dx = cx - p.x;
      p.dy = cy - p.y;
      p.dvalue = static_cast<float>(g);
    } else {
      a.Next(s, &p.x, &p.y, &p.value);
      if (nB == 0) {
        const float endX = random();
        const float endY = random();
        p.dx = endX - p.x;
        p.dy = endY - p.y;
        p.dvalue = static_cast<float>(-p.value);
      } else {
        b.Next(s, &cx, &cy, &g);
        p.dx = cx - p.x;
        p.dy = cy - p.y;
        p.dvalue = static_cast<float>(g - p.value);
      }
    }
    p.x += offsetX;
    p.y += offsetY;
  }
  return morph.release();
}

void cVOXAmorphcollector::FreeItem(void* data) { delete static_cast<tMorph*>(data); }

bool cVOXAmorphcollector::LoadItem(tDataEntry* entry) {
  const std::string& item = entry->name;
  const std::size_t split = item.find('\x08');
  const std::string fromName = item.substr(0, split);
  const std::string toName = split == std::string::npos ? std::string() : item.substr(split + 1);
  std::unique_ptr<cMonoPic> from, to;
  if (!LoadMorphPicture(fromName, &from) || !LoadMorphPicture(toName, &to)) return false;
  std::unique_ptr<tMorph> morph(tMorph::Build(from.get(), to.get()));
  // An all-black pair is a data mistake, not a lack of memory: a failed load.
  if (morph->points.empty()) {
    LogMessage(5, "%s: morph has no lit pixels", (fromName + " to " + toName).c_str());
    return false;
  }
  entry->data = morph.release();
  return true;
}

// Reads every byte once so that the first frame does not pay for bringing the
// points in.
void cVOXAmorphcollector::PrepareItem(void* data) {
  const auto* morph = static_cast<const tMorph*>(data);
  if (!morph) return;
  ReadEveryByte(morph->points.data(), morph->points.size() * sizeof(tMorphPoint));
}

}  // namespace VOXA2
