// vornarc: makes and lists archives of the player's own format.
//
//   vornarc create ARCHIVE FOLDER [-m METHOD] [-b RECORDS]
//       packs every file under FOLDER (sorted by path, folders joined with '\')
//       by METHOD (stored, deflate, lzh, bzip2; default deflate), RECORDS
//       member records per directory block (default: one block)
//   vornarc list ARCHIVE
//       lists the members of an archive, or the archives behind a program
//   vornarc extract ARCHIVE MEMBER OUTPUT
//   vornarc append PROGRAM OUTPUT NAME=FILE...
//       writes PROGRAM with the files appended as archives named NAME
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/streams.h"
#include "foundation/vornarc.h"
#include "tools/vornarc/writer.h"

namespace fs = std::filesystem;
using vornarc::tBytes;

namespace {

tBytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return tBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const tBytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

int Usage() {
  std::cerr << "usage: vornarc create ARCHIVE FOLDER [-m stored|deflate|lzh|bzip2] [-b RECORDS]\n"
               "       vornarc list ARCHIVE\n"
               "       vornarc extract ARCHIVE MEMBER OUTPUT\n"
               "       vornarc append PROGRAM OUTPUT NAME=FILE...\n";
  return 2;
}

int Create(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  uint32_t method = vornarc::MethodByName("deflate");
  int perBlock = 0;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "-m" && i + 1 < args.size()) {
      method = vornarc::MethodByName(args[++i]);
    } else if (args[i] == "-b" && i + 1 < args.size()) {
      perBlock = std::atoi(args[++i].c_str());
      if (perBlock <= 0) return Usage();
    } else {
      return Usage();
    }
  }
  const fs::path folder = args[1];
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<vornarc::tMember> members;
  for (const fs::path& file : files) {
    vornarc::tMember m;
    m.name = fs::relative(file, folder).generic_string();
    std::replace(m.name.begin(), m.name.end(), '/', '\\');
    m.data = ReadAll(file);
    m.method = method;
    members.push_back(std::move(m));
  }
  std::vector<int> blocks;
  if (perBlock > 0) {
    for (size_t left = members.size(); left > 0;) {
      size_t n = std::min(left, static_cast<size_t>(perBlock));
      blocks.push_back(static_cast<int>(n));
      left -= n;
    }
  }
  WriteAll(args[0], vornarc::WriteArchive(members, blocks).bytes);
  return 0;
}

std::unique_ptr<TStream> DiskFile(const std::string& path) {
  auto file = std::make_unique<TFile>();
  file->SetName(path.c_str());
  return file;
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage();
  TVORNarc archive(DiskFile(args[0]));
  if (archive.Open()) {
    for (const tArcEntry& e : archive.Entries()) {
      std::printf("%10u %10u %2u %08X %s\n", e.decodedSize, e.storedSize, e.method, e.decodedCrc,
                  e.name.c_str());
    }
    return 0;
  }
  TVORNarcEXE program(DiskFile(args[0]));
  if (program.Open()) {
    for (const tArcExeEntry& e : program.Entries()) {
      std::printf("%10u %10u %s\n", e.offset, e.length, e.name);
    }
    return 0;
  }
  std::cerr << "vornarc: " << args[0] << " is not an archive\n";
  return 1;
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 3) return Usage();
  TVORNarc archive(DiskFile(args[0]));
  if (!archive.Open()) {
    std::cerr << "vornarc: " << args[0] << " is not an archive\n";
    return 1;
  }
  int32_t size = 0;
  uint8_t* data = nullptr;
  archive.ExtractMember(args[1].c_str(), size, data, nullptr);
  bool found = data != nullptr;
  tBytes bytes(data, data + (found ? size : 0));
  std::free(data);
  if (!found) {
    std::cerr << "vornarc: no readable member " << args[1] << "\n";
    return 1;
  }
  WriteAll(args[2], bytes);
  return 0;
}

int Append(const std::vector<std::string>& args) {
  if (args.size() < 3) return Usage();
  std::vector<vornarc::tAppended> archives;
  for (size_t i = 2; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) return Usage();
    archives.push_back({args[i].substr(0, eq), ReadAll(args[i].substr(eq + 1))});
  }
  WriteAll(args[1], vornarc::AppendArchives(ReadAll(args[0]), archives));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "create") return Create(args);
    if (command == "list") return List(args);
    if (command == "extract") return Extract(args);
    if (command == "append") return Append(args);
  } catch (const std::exception& e) {
    std::cerr << "vornarc: " << e.what() << "\n";
    return 1;
  }
  return Usage();
}
