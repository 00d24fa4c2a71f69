#include "foundation/diskpath.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "foundation/text.h"

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Entry names of a disk folder, sorted.
std::vector<std::string> SortedNames(const std::string& diskFolder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(diskFolder.empty() ? "." : diskFolder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string ResolveDiskPath(const char* dataPath) {
  std::string path = dataPath ? dataPath : "";
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty() || Exists(path)) return path;

  std::string resolved;
  std::size_t start = 0;
  if (path[0] == '/') {
    resolved.push_back('/');
    start = 1;
  }
  bool folderExists = true;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    bool last = slash == std::string::npos;
    std::string component = path.substr(start, last ? std::string::npos : slash - start);
    if (!component.empty() && component != "." && component != "..") {
      std::string candidate = resolved + component;
      if (folderExists && !Exists(candidate)) {
        for (const std::string& name : SortedNames(resolved)) {
          if (EqualsNoCase(name, component)) {
            candidate = resolved + name;
            break;
          }
        }
      }
      folderExists = folderExists && Exists(candidate);
      resolved = candidate;
    } else {
      resolved += component;
    }
    if (last) break;
    resolved += '/';
    start = slash + 1;
  }
  return resolved;
}

std::vector<tFolderEntry> ListFolder(const std::string& dataPath) {
  std::vector<tFolderEntry> entries;
  std::string folder = ResolveDiskPath(dataPath.c_str());
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code statEc;
    fs::file_status link = it->symlink_status(statEc);
    fs::file_status target = it->status(statEc);
    tFolderEntry entry;
    entry.name = it->path().filename().string();
    if (fs::is_directory(link)) {
      entry.isFolder = true;
    } else if (fs::is_directory(target)) {
      continue;
    } else {
      std::error_code sizeEc;
      std::uintmax_t size = fs::is_regular_file(target) ? it->file_size(sizeEc) : 0;
      if (sizeEc) size = 0;
      entry.size =
          static_cast<int32_t>(std::min<std::uintmax_t>(size, std::numeric_limits<int32_t>::max()));
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const tFolderEntry& a, const tFolderEntry& b) { return a.name < b.name; });
  return entries;
}
