#include "effects2d/pictureloader.h"

#include <new>
#include <string>

#include "demo/lists.h"
#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/gfxloader.h"
#include "foundation/streams.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

using VOXA::errors::eCouldNotCreateObject;
using VOXA::errors::NewOrThrow;

const char* FilterName(const filter::tFilterDesc* record, std::int32_t code) {
  return record->keyword ? record->keyword : cToken::GetTypeName(code);
}

// The registered filter that the current token names, none for no filter.
const filter::tFilterDesc* FindFilter(cParserT* parser) {
  const std::int32_t code = parser->token->code;
  const std::string* text = nullptr;
  if (code == tokIdentifier) text = &static_cast<cIdentToken*>(parser->token.get())->text;
  for (std::int32_t i = 0; const filter::tFilterDesc* record = filter::GetFilter(i); i++) {
    if (record->tokenCode != code) continue;
    if (code != tokIdentifier) return record;
    if (record->keyword && *text == record->keyword) return record;
  }
  return nullptr;
}

std::unique_ptr<cColorPic> NewPicture() {
  std::unique_ptr<cColorPic> picture(NewOrThrow<cColorPic>("cColorPic"));
  return picture;
}

}  // namespace

void PictureFile::Parse(cParserT* parser, void* context) {
  auto* file = static_cast<PictureFile*>(context);
  for (;;) {
    if (parser->token->code == tokEndOfFile) return;
    auto* ident = parser->token->code == tokIdentifier
                      ? static_cast<cIdentToken*>(parser->token.get())
                      : nullptr;
    if (!ident || ident->text != "picture") parser->Error(100, "Syntax error!");
    parser->GetToken();
    file->picture = NewPicture();
    std::string path;
    if (parser->token->code == tokString)
      path = static_cast<cStringToken*>(parser->token.get())->text;
    parser->Expect(tokString);
    if (file->folder) path = file->folder + path;
    LogMessage(5, "  Loading picture \"%s\"...", path.c_str());
    if (!LoadBitmapFile(file->picture.get(), path.c_str(), file->record))
      parser->Error(errNoCode, "Could not load picture \"%s\"!", path.c_str());
    parser->Expect(tokOpenBrace);
    for (;;) {
      const std::int32_t code = parser->token->code;
      if (code == tokCloseBrace) {
        parser->GetToken();
        return;
      }
      if (code == tokSemicolon) {
        parser->GetToken();
        continue;
      }
      const filter::tFilterDesc* record = FindFilter(parser);
      if (!record) parser->Error(101, "Syntax error!");
      LogMessage(5, "  Loading filter %s...", FilterName(record, code));
      parser->GetToken();
      std::unique_ptr<filter::cFilter> made(record->creator(record));
      if (!made) throw new eCouldNotCreateObject(FilterName(record, code));
      filter::cFilter* current = made.get();
      AppendToList(file->filters, std::move(made), "filter list");
      if (!current->Parse(parser)) parser->Error(102, "Error on loading filter parameters!");
    }
  }
}

bool LoadBitmapFile(cColorPic* picture, const char* name, tChannelDepths* record) {
  if (picture->Load(name, record)) return true;
  static const char* const kSuffixes[] = {"", ".pcx", ".tga", ".jpg", ".jpeg", ".png"};
  for (const char* suffix : kSuffixes) {
    const std::string path = std::string(name) + suffix;
    if (picture->Load(path.c_str(), record)) return true;
  }
  return false;
}

cColorPic* LoadPicture(const char* name, bool defaultResample, const char* folder,
                       tChannelDepths* record, bool noFallback) {
  LogMessage(5, "Trying to load bitmap \"%s\"", name ? name : "");
  auto noResult = [&]() -> cColorPic* {
    LogMessage(5, "Could not load image \"%s\"", name ? name : "");
    return nullptr;
  };
  if (!name) return noResult();

  std::unique_ptr<PictureFile> file;
  const std::string description = std::string(name) + ".dsc";
  if (std::unique_ptr<TStream> stream = OpenFile(description.c_str(), 0)) {
    LogMessage(5, " Trying to load the picture description file \"%s\"...", description.c_str());
    file.reset(NewOrThrow<PictureFile>("PictureFile", folder, record));
    std::unique_ptr<cParser> parser(NewOrThrow<cParser>("cParser"));
    parser->SetSourceName(description.c_str());
    if (!parser->ParseStream(stream.get(), PictureFile::Parse, file.get())) {
      LogMessage(5, "Error on parsing picture description file \"%s\"!", description.c_str());
      file.reset();
      if (noFallback) return noResult();
    }
  }
  if (!file) {
    file.reset(NewOrThrow<PictureFile>("PictureFile", folder, record));
    if (defaultResample) {
      std::unique_ptr<filter::cResample> resample(NewOrThrow<filter::cResample>("cResample"));
      resample->dimension = 2;
      resample->width.method = resample->height.method = filter::kWeighted;
      resample->width.mode = resample->height.mode = filter::kRelative;
      resample->width.value = resample->height.value = 1.0f;
      AppendToList(file->filters, std::unique_ptr<filter::cFilter>(std::move(resample)),
                   "filter list");
    }
    file->picture = NewPicture();
    if (!LoadBitmapFile(file->picture.get(), name, record)) {
      LogFailure("Could not load bitmap file \"%s\"!", name);
      return noResult();
    }
  }

  if (!file->filters.empty()) LogMessage(5, " Applying filters...");
  for (auto& current : file->filters) {
    const filter::tFilterDesc* record = current->GetDescription();
    LogMessage(5, "  Executing filter %s...", FilterName(record, record->tokenCode));
    // The picture stays owned here while the filter runs, so that an error
    // raised by the filter frees it; a filter that makes a new picture has
    // deleted the old one itself.
    cColorPic* picture = file->picture.get();
    bool applied = false;
    try {
      applied = current->Apply(&picture);
    } catch (ePictureTooLarge* error) {
      LogPictureTooLarge(name, *error);
      delete error;
    }
    if (picture != file->picture.get()) {
      static_cast<void>(file->picture.release());
      file->picture.reset(picture);
    }
    if (!applied) {
      LogMessage(5, "  Error on applying filter! Aborting...");
      LogMessage(5, "Could not apply filters to image \"%s\"", name);
      return nullptr;
    }
  }
  if (!file->picture) {
    LogMessage(5, "Could not apply filters to image \"%s\"", name);
    return nullptr;
  }
  return file->picture.release();
}

}  // namespace VOXA2
