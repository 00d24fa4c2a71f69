// What the Information window's two lists show, rebuilt at every opening:
// the credits with the linked libraries' own versions, and the system page
// with the program's version and the rows of the three registries.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ZGUI {
class cList;
}

namespace VOXA2::infodialog {

// The caption of the system page.
inline constexpr char kProductName[] = "VOXA2 demo player";
// The program's version, on the system page and under --version.
inline constexpr char kVersion[] = "2.0.0";

// Row colours: headings, plain rows, and the two that alternate down each registry.
inline constexpr std::uint32_t kHeading = 0xFFFFFF, kPlain = 0x7F7F7F, kEvenRecord = 0x007F7F,
                               kOddRecord = 0x7F7F00;

// One record of a registry as its row shows it.
struct tRegistryRecord {
  std::string name;
  std::uint32_t version;
  std::uint32_t identifier;
};
// The record at an index, or none past the last one.
using tRegistryReader = std::function<std::optional<tRegistryRecord>(std::int32_t index)>;

// One row per record, from index 0 up to the first index without one.
void AddRegistryRows(ZGUI::cList* list, const tRegistryReader& read);

// The non-empty lines of a text split at line feeds.
std::vector<std::string> CopyrightLines(const char* text);

// The libraries' own words on what is linked.
std::string JpegVersion();
std::string JpegCopyright();
std::string SdlVersion();

// Clear the list and fill it anew.
void FillCredits(ZGUI::cList* list);
void FillSystemInformation(ZGUI::cList* list);

}  // namespace VOXA2::infodialog
