// How the data tree's paths reach the disk. Data paths are written with
// backslashes and, by their authors, without regard to letter case; the disk
// uses slashes and distinguishes case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The path to hand to the C library for a data path: every '\' becomes '/',
// and each component that does not exist exactly is replaced by the first
// entry of its folder (in name order) that equals it without regard to ASCII
// case. Components that match nothing stay as written.
std::string ResolveDiskPath(const char* dataPath);

// One entry of a folder listing.
struct tFolderEntry {
  std::string name;
  bool isFolder = false;
  int32_t size = 0;
};

// The entries of a folder (a data path; empty for the current folder), sorted
// by name, without "." and "..". A folder that cannot be listed gives nothing.
// Links to folders are left out, so a walk cannot run in circles.
std::vector<tFolderEntry> ListFolder(const std::string& dataPath);
