#include "effects2d/grab_texture.h"

#include "demo/block.h"
#include "effects2d/quaddraw.h"
#include "effects2d/texturecollector.h"
#include "windxkernel/texture.h"

namespace VOXA2 {

using namespace effects2d;

cVOXAgrab_texture::cVOXAgrab_texture(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
}

cVOXAcommand* cVOXAgrab_texture::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAgrab_texture>(owner, "cVOXAgrab_texture");
}

bool cVOXAgrab_texture::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    // Without either every frame of the command would fail, and a failed
    // frame ends the demo: such a block is refused while compiling.
    if (parser->token->code == tokCloseBrace) {
      if (!buffer) parser->Error(-1, "grab_texture without \"buffer\"!");
      if (!texture) parser->Error(-1, "grab_texture without \"texture\"!");
    }
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code == tokBuffer) {
      parser->GetToken();
      buffer = ReadBufferName(parser);
    } else if (IsExactWord(parser, "texture")) {
      if (!ReadScreenTextureFile(this, parser, &texture)) return false;
    } else {
      return BlockSyntaxError(parser);
    }
    parser->Expect(tokSemicolon);
  }
}

bool cVOXAgrab_texture::Execute(float, float, float) {
  if (!buffer || !texture) return false;
  texture->Update(buffer);
  return true;
}

}  // namespace VOXA2
