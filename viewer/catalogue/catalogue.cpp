#include "viewer/catalogue/catalogue.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/stream.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eOutOfMemory;
using VOXA::errors::NewOrThrow;

namespace {

enum : std::int32_t {
  errDemoListGrowth = -1,
  errTopLevelSyntax = 100,
  errBlockSyntax = 101,
  errTitleNotFound = 102,
  errFileNotFound = 103,
  errDemoExpected = 300,
  errDescriptorExpected = 301,
  errDescriptionRead = 310,
};

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

// Takes the current token's text as a string value and reads on; a value
// without quotes fails the String check.
std::string TakeString(cParserT* parser) {
  std::string value;
  if (auto* string = dynamic_cast<cStringToken*>(parser->token.get())) {
    try {
      value = string->text;
    } catch (const std::bad_alloc&) {
      throw new eOutOfMemory("Could not allocate memory to duplicate duplicate string");
    }
  }
  parser->Expect(tokString);
  return value;
}

// keyword, a string, ";": the string.
std::string StringStatement(cParserT* parser, std::int32_t keyword) {
  parser->Expect(keyword);
  std::string value = TakeString(parser);
  parser->Expect(tokSemicolon);
  return value;
}

void DefineText(cParserT* parser, const char* name, const char* text) {
  std::unique_ptr<cDefine> entry;
  try {
    entry = std::make_unique<cDefine>(name, text);
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  }
  parser->Define(std::move(entry));
}

// The whole description file, opened in the catalogue's own data file when
// it has one. Unset when the file cannot be opened.
std::optional<std::string> ReadDescription(cParserT* parser, const tDCdemocollector* catalogue,
                                           const std::string& name) {
  std::unique_ptr<TStream> stream = catalogue->dataFile
                                        ? catalogue->dataFile->OpenFile(name.c_str(), false)
                                        : OpenFile(name.c_str(), 0);
  if (!stream) return std::nullopt;
  const std::int32_t size = stream->Size();
  // A negative size cannot be read whole; the stream closes with its holder.
  if (size < 0) parser->Error(errDescriptionRead, "Error on reading from description file!");
  std::vector<char> buffer;
  try {
    buffer.assign(static_cast<std::size_t>(size) + 1, '\0');
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("description file!");
  }
  const std::int32_t got = size > 0 ? stream->Read(buffer.data(), size, 1) : 0;
  if (got <= 0 && size != 0)
    parser->Error(errDescriptionRead, "Error on reading from description file!");
  try {
    return std::string(buffer.data());
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("description file!");
  }
}

// "demo" identifier [, condition expr | , default]... ";"
void ParseDemoEntry(cParserT* parser, tDCdemocollector* catalogue) {
  parser->Expect(tokDemo);
  parser->Check(tokIdentifier);
  auto* ident = dynamic_cast<cIdentToken*>(parser->token.get());
  cData* symbol = ident ? ident->symbol : nullptr;
  if (!symbol && ident) symbol = parser->FindSymbol(ident->text.c_str());
  auto* container = dynamic_cast<cContainer*>(symbol);
  if (!container || container->kind != symDemo || !container->object)
    parser->Error(errDemoExpected, "Demo expected!");
  if (!container) return;  // only while no source is open
  tDCdemo* demo = static_cast<tDCdemo*>(container->object);
  parser->GetToken();
  bool isDefault = false;
  while (Code(parser) == tokComma) {
    parser->Expect(tokComma);
    switch (Code(parser)) {
      case tokCondition:
        parser->Expect(tokCondition);
        if (parser->ParseIntExpression() == 0) {
          // Not listed for this run: the rest of the entry is passed over.
          while (Code(parser) != tokSemicolon && Code(parser) != tokEndOfFile) parser->GetToken();
          parser->Expect(tokSemicolon);
          return;
        }
        break;
      case tokDefault:
        parser->Expect(tokDefault);
        isDefault = true;
        break;
      default:
        parser->Error(errDescriptorExpected, "Demo descriptor expected!");
        return;
    }
  }
  try {
    catalogue->enlisted.push_back(demo);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("demo list!");
  }
  if (isDefault) catalogue->defaultDemo = demo;
  parser->Expect(tokSemicolon);
}

}  // namespace

void ParseDemoList(cParserT* parser, void* context) {
  auto* catalogue = static_cast<tDCdemocollector*>(context);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  char time[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  std::snprintf(time, sizeof time, "%02d%02d%02d", local.tm_hour, local.tm_min, local.tm_sec);
  DefineText(parser, "date", date);
  DefineText(parser, "time", time);

  while (parser->open) {
    switch (Code(parser)) {
      case tokMain:
        ParseMainBlock(parser, catalogue);
        break;
      case tokDemo:
        ParseDemoBlock(parser, catalogue);
        break;
      case tokEndOfFile:
        return;
      default:
        parser->Error(errTopLevelSyntax, "Syntax error!");
        return;
    }
    parser->SkipWhiteSpace();
  }
}

void ParseDemoBlock(cParserT* parser, tDCdemocollector* catalogue) {
  try {
    catalogue->demos.reserve(catalogue->demos.size() + 1);
  } catch (const std::bad_alloc&) {
    parser->Error(errDemoListGrowth, "Could not realloc demo list!");
    return;
  }
  tDCdemo* demo = NewOrThrow<tDCdemo, eCouldNotAllocateMemoryFor>("demo list!");
  // From here on the record belongs to the catalogue, read to its end or not.
  catalogue->demos.emplace_back(demo);
  try {
    demo->loadingImage = "loading";
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("Could not allocate memory to duplicate string!");
  }

  parser->Expect(tokDemo);
  parser->Check(tokIdentifier);
  auto* ident = dynamic_cast<cIdentToken*>(parser->token.get());
  if (ident) {
    std::unique_ptr<cContainer> symbol;
    try {
      symbol = std::make_unique<cContainer>(ident->text, symDemo, demo, false);
    } catch (const std::bad_alloc&) {
      throw new eOutOfMemory("Could not allocate memory to duplicate duplicate string");
    }
    parser->Define(std::move(symbol));
  }
  parser->GetToken();
  parser->Expect(tokOpenBrace);

  while (parser->open && Code(parser) != tokCloseBrace) {
    switch (Code(parser)) {
      case tokTitle:
        demo->title = StringStatement(parser, tokTitle);
        break;
      case tokFile:
        demo->file = StringStatement(parser, tokFile);
        break;
      case tokDesc: {
        const std::string name = StringStatement(parser, tokDesc);
        if (auto text = ReadDescription(parser, catalogue, name))
          demo->description = std::move(text);
        break;
      }
      case tokLoading:
        parser->Expect(tokLoading);
        demo->loadingImage = StringStatement(parser, tokImage);
        break;
      case tokSemicolon:
        parser->GetToken();
        break;
      default:
        parser->Error(errBlockSyntax, "Syntax error!");
        return;
    }
  }
  if (!demo->title) parser->Error(errTitleNotFound, "Title not found!");
  if (!demo->file) parser->Error(errFileNotFound, "File name not found!");
  parser->Expect(tokCloseBrace);
}

void ParseMainBlock(cParserT* parser, tDCdemocollector* catalogue) {
  parser->Expect(tokMain);
  parser->Expect(tokOpenParen);
  parser->Expect(tokCloseParen);
  parser->Expect(tokOpenBrace);
  while (parser->open && Code(parser) != tokCloseBrace) {
    switch (Code(parser)) {
      case tokSemicolon:
        parser->GetToken();
        break;
      case tokTitle:
        catalogue->title = StringStatement(parser, tokTitle);
        break;
      case tokResolution:
        parser->Expect(tokResolution);
        catalogue->width = parser->ParseIntExpression();
        parser->Expect(tokTimes);
        catalogue->height = parser->ParseIntExpression();
        parser->Expect(tokSemicolon);
        break;
      case tokDemo:
        ParseDemoEntry(parser, catalogue);
        break;
      default:
        parser->Error(errBlockSyntax, "Syntax error!");
        return;
    }
  }
  parser->Expect(tokCloseBrace);
}

tDCdemocollector* tDCdemocollector::BuildDemoList(const char* fileName, TArchive* dataFile) {
  std::unique_ptr<tDCdemocollector> catalogue(
      NewOrThrow<tDCdemocollector, eCouldNotAllocateMemoryFor>("demo collector!"));
  catalogue->dataFile = dataFile;
  std::unique_ptr<cParser> parser(NewOrThrow<cParser>("cParser"));

  bool read = false;
  if (dataFile) {
    std::unique_ptr<TStream> stream = dataFile->OpenFile(fileName, false);
    parser->SetSourceName(fileName);
    if (stream) read = parser->ParseStream(stream.get(), ParseDemoList, catalogue.get());
  } else {
    read = parser->ParseFile(fileName, ParseDemoList, catalogue.get());
  }
  parser.reset();
  if (!read) return nullptr;
  if (catalogue->enlisted.empty()) {
    LogFailure("(%s) Fatal error: No demos enlisted!", fileName ? fileName : "");
    return nullptr;
  }
  if (!catalogue->defaultDemo) catalogue->defaultDemo = catalogue->enlisted.front();
  return catalogue.release();
}

void tDCdemocollector::FreeDemoList(tDCdemocollector* catalogue) { delete catalogue; }

}  // namespace VOXA2
