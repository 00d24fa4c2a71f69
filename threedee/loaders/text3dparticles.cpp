// The readers of the three particle kinds of Text3D scenes: splash, firework
// and snow. They share most items; each block ends by setting the particles up
// from the values of the whole block, whatever the order of its items.
#include <string>

#include "demo/block.h"
#include "effects2d/texturecollector.h"
#include "threedee/loaders/text3d.h"
#include "threedee/objects/firework.h"
#include "threedee/objects/snow.h"
#include "threedee/objects/splash.h"
#include "threedee/scene/materialblocks.h"

namespace VOXA2::threedee {
namespace {

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

// Past the first word of a two-word item and its second, which must be word.
void SecondWord(cText3Dscene* scene, const char* word) {
  scene->parser->GetToken();
  if (scene->Word() != word) scene->parser->Error(errNoCode, "\"%s\" expected!", word);
  scene->parser->GetToken();
}

float Float(cText3Dscene* scene) { return scene->parser->ParseFloatExpression(); }

// value "random" range
void RandomPair(cText3Dscene* scene, float& value, float& range) {
  value = Float(scene);
  if (scene->Word() != "random") scene->parser->Error(errNoCode, "\"random\" expected!");
  scene->parser->GetToken();
  range = Float(scene);
}

// "(" value "random" range ")"
void EnclosedPair(cText3Dscene* scene, float& value, float& range) {
  scene->parser->Expect(tokOpenParen);
  RandomPair(scene, value, range);
  scene->parser->Expect(tokCloseParen);
}

// Up to the "}" that closes the block the parser is in, left unread.
void SkipToBlockEnd(cParserT* parser) {
  for (std::int32_t depth = 0;; parser->GetToken()) {
    const std::int32_t code = Code(parser);
    if (code == tokNone || code == tokEndOfFile) return;
    if (code == tokOpenBrace) ++depth;
    if (code == tokCloseBrace && depth-- == 0) return;
  }
}

// The texture of the "file" item. A scene read for a demo makes the demo's
// texture collector when it has none yet: a scene is read before its
// animation's textures are, so waiting for that would lose every particle
// system of the first scene a demo loads.
video::voxaTexture* ReadTexture(cText3Dscene* scene) {
  scene->parser->GetToken();
  const std::string name = ReadNameString(scene->parser);
  if (!scene->demo) return nullptr;
  FindOrCreateCollector<cVOXAtexturecollector>(scene->demo, "texture", "cVOXAtexturecollector");
  return CollectedItem<video::voxaTexture>(scene->demo, "texture", name);
}

// The items every particle kind reads; false for any other. A texture that
// cannot be had sets lost and leaves the parser on the block's "}".
template <class System>
bool ReadCommonItem(cText3Dscene* scene, System& system, const std::string& word,
                    std::int32_t code, bool& lost) {
  cParserT* parser = scene->parser;
  if (word == "object") {
    scene->ParseChild(&system, true);
  } else if (word == "parameter") {
    parser->GetToken();
    scene->ParseTrack(&system);
  } else if (word == "particle") {
    SecondWord(scene, "count");
    const std::int32_t count = parser->ParseIntExpression();
    if (count < 1) parser->Error(errNoCode, "Particle count must be 1 or greater!");
    system.SetParticleCount(count);
  } else if (word == "time") {
    SecondWord(scene, "multiplyer");
    system.timeMultiplier = Float(scene);
  } else if (word == "size") {
    parser->GetToken();
    system.sizeMinimum = Float(scene);
    parser->Expect(tokTo);
    system.sizeMaximum = Float(scene);
  } else if (code == tokColor) {
    parser->GetToken();
    EnclosedPair(scene, system.red, system.redRandom);
    parser->Expect(tokComma);
    EnclosedPair(scene, system.green, system.greenRandom);
    parser->Expect(tokComma);
    EnclosedPair(scene, system.blue, system.blueRandom);
  } else if (code == tokFile) {
    video::voxaTexture* texture = ReadTexture(scene);
    if (!texture) {
      SkipToBlockEnd(parser);
      lost = true;
      return true;
    }
    system.texture = texture;
    parser->Expect(tokSemicolon);
  } else {
    return false;
  }
  return true;
}

// The frame of a particle block: the common items, then the kind's own.
template <class System, class Extra>
c3Dobject* ReadParticleBlock(cText3Dscene* scene, const char* className, Extra extra) {
  auto object = scene->BeginObject<System>(className);
  bool lost = false;
  scene->ReadItems([&](const std::string& word, std::int32_t code) {
    return ReadCommonItem(scene, *object, word, code, lost) || extra(*object, word, code);
  });
  if (lost) return nullptr;
  object->SetParticleCount(object->Capacity());
  return object.release();
}

c3Dobject* ParseParticleSplash(cText3Dscene* scene) {
  return ReadParticleBlock<c3Dp_splash>(
      scene, "c3Dp_splash", [&](c3Dp_splash& splash, const std::string& word, std::int32_t) {
        float* value = nullptr;
        if (word == "starting") {
          SecondWord(scene, "time");
          value = &splash.startingTime;
        } else if (word == "fade") {
          SecondWord(scene, "factor");
          value = &splash.fadeFactor;
        } else if (word == "inner" || word == "outer") {
          SecondWord(scene, "radius");
          value = word == "inner" ? &splash.innerRadius : &splash.outerRadius;
        } else if (word == "gravity" || word == "intensity") {
          scene->parser->GetToken();
          value = word == "gravity" ? &splash.gravity : &splash.intensity;
        } else if (word == "height") {
          scene->parser->GetToken();
          RandomPair(scene, splash.height, splash.heightRandom);
          return true;
        } else {
          return false;
        }
        *value = Float(scene);
        return true;
      });
}

c3Dobject* ParseParticleFirework(cText3Dscene* scene) {
  cParserT* parser = scene->parser;
  return ReadParticleBlock<c3Dp_firework>(
      scene, "c3Dp_firework", [&](c3Dp_firework& firework, const std::string& word, std::int32_t) {
        if (word == "gravity") {
          parser->GetToken();
          firework.gravity = Float(scene);
        } else if (word == "creator") {
          // The token is used up whether or not it names a creator.
          parser->GetToken();
          firework.ChooseCreator(Code(parser), scene->Word().c_str());
          parser->GetToken();
        } else if (word == "explosion") {
          parser->GetToken();
          parser->Expect(tokOpenBrace);
          c3Dp_firework::tExplosion record;
          scene->ReadItems([&](const std::string& item, std::int32_t) {
            if (item == "starting" || item == "flying") {
              SecondWord(scene, "time");
              (item == "starting" ? record.startingTime : record.flyingTime) = Float(scene);
            } else if (item == "fade") {
              SecondWord(scene, "factor");
              record.fadeFactor = Float(scene);
            } else if (item == "velocity") {
              parser->GetToken();
              record.velocity = scene->ParseVector();
            } else {
              return false;
            }
            return true;
          });
          firework.AddExplosion(&record);
        } else {
          return false;
        }
        return true;
      });
}

c3Dobject* ParseParticleWeatherSnow(cText3Dscene* scene) {
  return ReadParticleBlock<c3Dp_weather_snow>(
      scene, "c3Dp_weather_snow",
      [&](c3Dp_weather_snow& snow, const std::string& word, std::int32_t code) {
        if (word == "xflatter" || word == "yflatter") {
          scene->parser->GetToken();
          (word == "xflatter" ? snow.xFlatter : snow.yFlatter) = Float(scene);
        } else if (code == tokAlpha) {
          scene->parser->GetToken();
          EnclosedPair(scene, snow.alpha, snow.alphaRandom);
        } else {
          return false;
        }
        return true;
      });
}

}  // namespace

void RegisterParticleText3DKinds() {
  RegisterText3DKind("particle_splash", ParseParticleSplash);
  RegisterText3DKind("particle_firework", ParseParticleFirework);
  RegisterText3DKind("particle_weather_snow", ParseParticleWeatherSnow);
}

}  // namespace VOXA2::threedee
