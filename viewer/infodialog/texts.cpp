#include "viewer/infodialog/texts.h"

#include <SDL.h>
#include <bzlib.h>
#include <zlib.h>

#include <cstdio>
// The JPEG library's headers need the standard I/O declarations first.
#include <jpeglib.h>
#include <jerror.h>

#include <new>

#include "demo/command.h"
#include "demo/view3dregistry.h"
#include "foundation/allocate.h"
#include "foundation/pngreader.h"
#include "gui/lists.h"
#include "gui/metrics.h"
#include "script/filters.h"
#include "script/tokens.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace VOXA2::infodialog {
namespace {

using VOXA::errors::NewOrThrow;

// A row of up to three texts in its own font; without memory for the font
// the row is drawn in the list's.
void Row(ZGUI::cList* list, const char* left, const char* centre, const char* right,
         std::uint32_t colour, std::int32_t size = 14) {
  auto* row = NewOrThrow<ZGUI::cListEntry_LCRText>("cListEntry_LCRText", left, centre, right);
  row->SetFont(new (std::nothrow) ZGUI::cFont("Arial", size));
  row->SetColor(colour);
  list->Add(row);
}

void Row(ZGUI::cList* list, const char* left, const std::string& right, std::int32_t size = 14) {
  Row(list, left, nullptr, right.c_str(), kPlain, size);
}

void Spacer(ZGUI::cList* list, int count = 1) {
  for (int i = 0; i < count; i++) {
    auto* row = NewOrThrow<ZGUI::cListEntry>("cListEntry");
    row->SetHeight(ZGUI::ScaleY(8));
    list->Add(row);
  }
}

// The name shown for a record registered under a word: its own text for an
// identifier, the script language's text of a reserved word otherwise.
std::string WordName(const char* keyword, std::int32_t tokenCode) {
  if (tokenCode == tokIdentifier) return keyword ? keyword : "";
  return cToken::GetTypeName(tokenCode);
}

std::optional<tRegistryRecord> CommandRecord(std::int32_t index) {
  const tCommandDesc* record = GetRegisteredCommand(index);
  if (!record) return std::nullopt;
  return tRegistryRecord{record->name, record->version, record->identifier};
}

std::optional<tRegistryRecord> View3DRecord(std::int32_t index) {
  const t3DCommandDesc* record = Get3DCommand(index);
  if (!record) return std::nullopt;
  return tRegistryRecord{WordName(record->name, record->tokenCode), record->version,
                         record->identifier};
}

std::optional<tRegistryRecord> FilterRecord(std::int32_t index) {
  const filter::tFilterDesc* record = filter::GetFilter(index);
  if (!record) return std::nullopt;
  return tRegistryRecord{WordName(record->keyword, record->tokenCode), record->version,
                         static_cast<std::uint32_t>(record->identifier)};
}

void Registry(ZGUI::cList* list, const char* heading, const char* idHeading,
              const tRegistryReader& read) {
  Row(list, heading, "Version:", idHeading, kHeading);
  AddRegistryRows(list, read);
}

// A registry after the first: its heading and rows, or its message while it
// is not set up.
void LaterRegistry(ZGUI::cList* list, bool ready, const char* heading, const char* notReady,
                   const tRegistryReader& read) {
  if (!ready) {
    Spacer(list, 2);
    Row(list, nullptr, notReady, nullptr, kHeading);
    Spacer(list);
    return;
  }
  Spacer(list);
  Registry(list, heading, "their IDs:", read);
}

// Who makes the program and how to reach them: the project itself, through
// its repository and its issue tracker; it keeps no web site, mail or postal
// address of its own, so none is shown.
constexpr char kMakerName[] = "The VOXA2 developers";
constexpr const char* kContact[][2] = {
    {"project", "VOXA2, the real-time demo player for Linux"},
    {"questions, faults", "the VOXA2 project's issue tracker"},
    {"source, manual", "the VOXA2 repository: README.md"},
};
constexpr const char* kContributors[] = {
    "The DejaVu fonts team (font)",
    "The SDL developers (SDL2)",
    "The OpenMPT developers (libopenmpt)",
    "Erik de Castro Lopo (libsndfile)",
    "The libjpeg-turbo Project",
};

}  // namespace

void AddRegistryRows(ZGUI::cList* list, const tRegistryReader& read) {
  for (std::int32_t i = 0;; i++) {
    const std::optional<tRegistryRecord> record = read(i);
    if (!record) return;
    char identifier[16];
    std::snprintf(identifier, sizeof identifier, "0x%08X", record->identifier);
    Row(list, record->name.c_str(), FormatCommandVersion(record->version).c_str(), identifier,
        i % 2 == 0 ? kEvenRecord : kOddRecord);
  }
}

std::vector<std::string> CopyrightLines(const char* text) {
  std::vector<std::string> lines;
  if (!text) return lines;
  try {
    for (const char* at = text; *at;) {
      const char* end = at;
      while (*end && *end != '\n') end++;
      if (end != at) lines.emplace_back(at, end);
      at = *end ? end + 1 : end;
    }
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("PNG library copyright string!");
  }
  return lines;
}

// The message table of the linked JPEG library carries its version and
// copyright lines.
std::string JpegVersion() {
  jpeg_error_mgr errors{};
  jpeg_std_error(&errors);
  return errors.jpeg_message_table[JMSG_VERSION];
}

std::string JpegCopyright() {
  jpeg_error_mgr errors{};
  jpeg_std_error(&errors);
  return errors.jpeg_message_table[JMSG_COPYRIGHT];
}

std::string SdlVersion() {
  SDL_version linked{};
  SDL_GetVersion(&linked);
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u", linked.major, linked.minor, linked.patch);
  return text;
}

void FillCredits(ZGUI::cList* list) {
  list->Clear();
  Row(list, "Contact:", nullptr, nullptr, kHeading);
  Spacer(list);
  for (const auto& [what, where] : kContact) Row(list, what, where);
  Row(list, "makers", kMakerName);
  Spacer(list, 2);

  Row(list, "Credits:", nullptr, nullptr, kHeading);
  Spacer(list);
  Row(list, "Programming", nullptr, nullptr, kPlain);
  Row(list, "    VOXA Kernel code", "The VOXA2 developers (voxa2)");
  Row(list, "    Graphical User Interface code", kMakerName);
  Row(list, "    System dependent Kernel code", "The VOXA2 developers (Linux port)");
  Row(list, "    Additional code", kContributors[0]);
  for (std::size_t i = 1; i < std::size(kContributors); i++) Row(list, nullptr, kContributors[i]);
  Spacer(list);

  Row(list, "    Sound system", GetSoundLibraryVersion());
  Row(list, nullptr, GetSoundLibraryCopyright());
  Spacer(list);
  Row(list, "    JPEG library", "    Independent JPEG Group, Version " + JpegVersion());
  Row(list, nullptr, JpegCopyright(), 10);
  Spacer(list);
  Row(list, "    ZLib compression library", std::string("Version ") + zlibVersion());
  Row(list, nullptr, "Jean-loup Gailly and Mark Adler, zlib licence", 10);
  Spacer(list);
  bool first = true;
  for (const std::string& line : CopyrightLines(PNGlib::GetCopyright())) {
    Row(list, first ? "    PNG library" : nullptr, line, first ? 14 : 10);
    first = false;
  }
  Spacer(list);
  Row(list, "    BZIP2 compression library", std::string("Version ") + BZ2_bzlibVersion());
  Row(list, nullptr, "Julian Seward and others, BSD-style licence", 10);
  Spacer(list);
  // The platform layer under the display, the input and the sound.
  Row(list, "    SDL library", "Version " + SdlVersion());
  Row(list, nullptr, "Sam Lantinga and others, zlib licence", 10);
  Spacer(list);

  Row(list, "Menu (GUI) graphics", "Generated by the VOXA2 developers' tools");
  Spacer(list);
  Row(list, "Documentation", kMakerName);
  Spacer(list);
  Row(list, "Tutorials", "The sample catalogue's demos (data)");
  Row(list, nullptr, kMakerName);
  Spacer(list);
  Row(list, "Performance Test \"Demo\"", kMakerName);
}

void FillSystemInformation(ZGUI::cList* list) {
  list->Clear();
  Row(list, "Copyright notice:", nullptr, nullptr, kHeading);
  Row(list, "Copyright (C) The VOXA2 developers", nullptr, nullptr, kPlain);
  Row(list, "All rights reserved.", nullptr, nullptr, kPlain);
  Spacer(list);
  Row(list, "Use and copying are permitted for any purpose while this notice is kept.", nullptr,
      nullptr, kPlain);
  Row(list, "The program comes without any warranty.", nullptr, nullptr, kPlain);
  Spacer(list, 2);

  Row(list, "VOXA2 real-time demo player for Linux:", nullptr, nullptr, kHeading);
  Row(list, "Version", kVersion);
  Row(list, "Kernel platform", video::GetPlatformName());
  Row(list, "Compile timestamp (build ID)", __DATE__ " " __TIME__);
  Row(list, "Compiler used", video::GetCompilerVersion());
  Spacer(list, 2);

  Registry(list, "Registered commands:", "Command IDs:", CommandRecord);
  LaterRegistry(list, Is3DCommandRegistryReady(), "Registered view3D commands:",
                "view3D is not initialized yet! (bug? please report!)", View3DRecord);
  LaterRegistry(list, filter::FiltersRegistered(), "Registered bitmap filters:",
                "Bitmap filters are not initialized yet! (bug? please report!)", FilterRecord);
}

}  // namespace VOXA2::infodialog
