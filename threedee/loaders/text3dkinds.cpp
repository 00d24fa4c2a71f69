// The readers of the Text3D object kinds that this module builds itself:
// keyframed nodes, time mappers, Bezier surfaces, spikes, light rays and
// wobblers.
#include <string>
#include <utility>

#include "demo/block.h"
#include "threedee/loaders/text3d.h"
#include "threedee/objects/lightray.h"
#include "threedee/objects/spike.h"
#include "threedee/objects/wobbler.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/materialblocks.h"
#include "threedee/scene/objectlist.h"

namespace VOXA2::threedee {
namespace {

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }
template <class T, class U>
void Replace(T*& slot, U* value) {
  delete slot;
  slot = value;
}

// "stretch": four values of three components separated by ",".
void ReadCorners(cText3Dscene* scene, cView3Di_position* (&corners)[4]) {
  cParserT* parser = scene->parser;
  parser->GetToken();
  for (int c = 0; c < 4; ++c) {
    if (c > 0) parser->Expect(tokComma);
    Replace(corners[c], ParseInterpolator(parser, 3, scene->Frames()));
  }
}

cView3Di_position* ReadValue(cText3Dscene* scene, std::int32_t components) {
  scene->parser->GetToken();
  return ParseInterpolator(scene->parser, components, scene->Frames());
}

}  // namespace

c3Dobject* cText3Dscene::ParseTemporary() {
  auto object = BeginObject<c3DStemporary>("c3DStemporary");
  ReadItems([&](const std::string& word, std::int32_t) {
    if (word == "object")
      ParseChild(object.get(), true);
    else if (word == "parameter")
      parser->GetToken(), ParseTrack(object.get());
    else
      return false;
    return true;
  });
  return object.release();
}

c3Dobject* cText3Dscene::ParseTimeMapper() {
  auto object = BeginObject<c3Dtime_mapper>("c3Dtime_mapper");
  ReadItems([&](const std::string& word, std::int32_t) {
    if (word == "object")
      ParseChild(object.get(), true);
    else if (word == "parameter")
      parser->GetToken(), ParseTrack(object.get());
    else if (word == "mapper")
      Replace(object->timeTrack, ReadValue(this, 1));
    else
      return false;
    return true;
  });
  return object.release();
}

c3Dobject* cText3Dscene::ParseBezierSurface() {
  auto object = BeginObject<c3Dbeziersurface>("c3Dbeziersurface");
  c3Dbeziersurface* surface = object.get();
  // "move" | "set", "control", "point", x "," y ":" value
  auto controlPoint = [&](cView3Di_position* (&table)[16]) {
    parser->GetToken();
    for (const char* word : {"control", "point"}) {
      if (Word() != word) SyntaxError();
      parser->GetToken();
    }
    const std::int32_t x = parser->ParseIntExpression();
    if (x < 1 || x > 4) parser->Error(errNoCode, "x must be in range 1 to 4!");
    parser->Expect(tokComma);
    const std::int32_t y = parser->ParseIntExpression();
    if (y < 1 || y > 4) parser->Error(errNoCode, "y must be in range 1 to 4!");
    parser->Expect(tokColon);
    Replace(table[c3Dbeziersurface::NetIndex(x, y)], ParseInterpolator(parser, 3, Frames()));
  };
  ReadItems([&](const std::string& word, std::int32_t) {
    if (word == "object") {
      ParseChild(surface, false);
    } else if (word == "material") {
      surface->material = ParseMaterialName();
    } else if (word == "steps") {
      parser->GetToken();
      surface->steps = parser->ParseIntExpression();
      if (surface->steps < 1) parser->Error(errNoCode, "Step value must be 1 or greater!");
    } else if (word == "move") {
      controlPoint(surface->moveTracks);
    } else if (word == "set") {
      controlPoint(surface->setTracks);
    } else if (word == "stretch") {
      ReadCorners(this, surface->cornerTracks);
    } else if (word == "parameter") {
      parser->GetToken();
      ParseTrack(surface);
    } else {
      return false;
    }
    return true;
  });
  return object.release();
}

c3Dobject* cText3Dscene::ParseSpike() {
  auto object = BeginObject<c3Dspike>("c3Dspike");
  c3Dspike* spike = object.get();
  auto material = [&] {
    const std::string name = ReadNameString(parser);
    cMaterial* found = FindMaterial(name.c_str());
    if (!found) parser->Error(errNoCode, "Material \"%s\" does not exists!", name.c_str());
    return found;
  };
  ReadItems([&](const std::string& word, std::int32_t) {
    if (word == "object") {
      ParseChild(spike, true);
    } else if (word == "material") {
      parser->GetToken();
      cMaterial* first = material();
      if (Code(parser) != tokComma) {
        spike->material = first;
        return true;
      }
      parser->GetToken();
      spike->fourMaterials = true;
      spike->patchMaterials[0] = first;
      for (int p = 1; p < 4; ++p) {
        if (p > 1) parser->Expect(tokComma);
        spike->patchMaterials[p] = material();
      }
    } else if (word == "steps") {
      parser->GetToken();
      spike->steps = parser->ParseIntExpression();
      if (spike->steps < 2 || spike->steps % 2 != 0)
        parser->Error(errNoCode, "Step value must an even positive number!");
    } else if (word == "stretch") {
      ReadCorners(this, spike->cornerTracks);
    } else if (word == "direction") {
      parser->GetToken();
      spike->direction = ParseVector();
    } else if (word == "vortex") {
      Replace(spike->vortexTrack, ReadValue(this, 1));
    } else if (word == "protrude") {
      Replace(spike->protrudeTrack, ReadValue(this, 1));
    } else if (word == "parameter") {
      parser->GetToken();
      ParseTrack(spike);
    } else {
      return false;
    }
    return true;
  });
  return object.release();
}

c3Dobject* cText3Dscene::ParseLightray() {
  auto object = BeginObject<c3Dlightray>("c3Dlightray");
  c3Dlightray* ray = object.get();
  ReadItems([&](const std::string& word, std::int32_t code) {
    if (word == "object") {
      ParseChild(ray, true);
    } else if (word == "origin" || word == "target") {
      t3DPoint* point = word == "origin" ? &ray->origin : &ray->target;
      parser->GetToken();
      c3Dlightray::ResetEndPoint(point);
      c3Dlightray::ParseEndPoint(point, parser, this);
    } else if (word == "hotspot") {
      Replace(ray->hotspotTrack, ReadValue(this, 1));
    } else if (code == tokResolution) {
      Replace(ray->resolutionTrack, ReadValue(this, 1));
    } else if (code == tokLength) {
      Replace(ray->lengthTrack, ReadValue(this, 1));
    } else {
      return false;
    }
    return true;
  });
  return object.release();
}

c3Dobject* cText3Dscene::ParseWobbler() {
  auto object = BeginObject<c3Dwobbler>("c3Dwobbler");
  c3Dwobbler* wobbler = object.get();
  // The second word of a two-word item, read on.
  auto second = [&](const char* word) {
    parser->GetToken();
    if (Word() != word) SyntaxError();
  };
  ReadItems([&](const std::string& word, std::int32_t) {
    if (word == "object") {
      ParseChild(wobbler, true);
    } else if (word == "objects") {
      // Only meshes of earlier statements can be named; "all" leaves the list
      // empty, which reaches every mesh of the scene at run time.
      parser->GetToken();
      tObjectList list;
      ParseObjectList(this, list, parser, false, true);
      wobbler->objectList = std::move(list.objects);
    } else if (word == "time" || word == "wave") {
      second("multiplyer");
      Replace(word == "time" ? wobbler->timeMultiplyerTrack : wobbler->waveMultiplyerTrack,
              ReadValue(this, 1));
    } else if (word == "intensity") {
      Replace(wobbler->intensityTrack, ReadValue(this, 1));
    } else if (word == "fade") {
      second("area");
      Replace(wobbler->fadeAreaTrack, ReadValue(this, 1));
    } else if (word == "parameter") {
      parser->GetToken();
      ParseTrack(wobbler);
    } else {
      return false;
    }
    return true;
  });
  return object.release();
}

}  // namespace VOXA2::threedee
