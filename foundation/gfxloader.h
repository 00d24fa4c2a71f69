// The picture loader: one global loader offers a picture file to every
// registered reader in turn, and the first reader that reads it wins.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/basis.h"
#include "foundation/errors.h"

class TStream;
class cColorPic;
class cMonoPic;

// Significant bits of red, green, blue and alpha in a picture file.
struct tChannelDepths {
  std::int32_t red = 0;
  std::int32_t green = 0;
  std::int32_t blue = 0;
  std::int32_t alpha = 0;
};

// The largest picture the player makes, whether read from a file or made by a
// filter: no demo comes near it, and without it a file of a few kilobytes can
// ask for gigabytes.
inline constexpr std::int64_t kMaxPictureSide = 8192;
inline constexpr std::int64_t kMaxPicturePixels = 64'000'000;

// A picture above those limits. Readers and filters raise it before they
// allocate anything of the size; whoever knows the file's name refuses the
// picture with LogPictureTooLarge.
class ePictureTooLarge : public VOXA::errors::eOutOfMemory {
 public:
  ePictureTooLarge(std::int64_t width, std::int64_t height);
  std::int64_t width;
  std::int64_t height;
};

// Raises ePictureTooLarge for a size above the limits (sizes that are not
// positive are left to other checks).
void CheckPictureSize(std::int64_t width, std::int64_t height);
// The one log line of a refused picture, naming the file and the limits.
void LogPictureTooLarge(const char* name, const ePictureTooLarge& error);

// The interface of every picture reader, and of the loader itself. No reader
// writes pictures: the write and save operations answer false.
class cGfxFFmtWrapper : public virtual basis::basisObject {
 public:
  ~cGfxFFmtWrapper() override = default;

  // How many leading bytes of a file the reader wants to judge (0: none).
  virtual std::uint32_t SignatureLength();
  // Judges only the bytes it needs among the count given.
  virtual bool CheckSignature(const std::uint8_t* bytes, std::uint32_t count);
  virtual bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths);
  virtual bool WriteColor(TStream* stream, cColorPic* picture);
  // Opens the file and reads it; a picture above the limits is refused here.
  virtual bool LoadColor(const char* name, cColorPic* picture, tChannelDepths* depths);
  virtual bool SaveColor(const char* name, cColorPic* picture);
  virtual bool ReadGray(TStream* stream, cMonoPic* plane);
  virtual bool WriteGray(TStream* stream, cMonoPic* plane);
  virtual bool LoadGray(const char* name, cMonoPic* plane);
  virtual bool SaveGray(const char* name, cMonoPic* plane);
};

class cGfxLoader : public cGfxFFmtWrapper {
 public:
  cGfxLoader() = default;
  cGfxLoader(const cGfxLoader&) = delete;
  cGfxLoader& operator=(const cGfxLoader&) = delete;
  // Deletes the readers it owns.
  ~cGfxLoader() override;

  // A null reader is ignored; a reader registered again keeps its one entry
  // and becomes owned when either registration asked for it.
  void RegisterReader(cGfxFFmtWrapper* reader, bool owns);

  bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) override;
  bool ReadGray(TStream* stream, cMonoPic* plane) override;

  std::int32_t Count() const { return static_cast<std::int32_t>(readers_.size()); }
  cGfxFFmtWrapper* Reader(std::int32_t index) const { return readers_.at(index); }

 private:
  template <typename Read>
  bool Offer(TStream* stream, Read read);

  std::vector<std::uint8_t> owns_;
  std::vector<cGfxFFmtWrapper*> readers_;
};

// The one loader of the program, alive from first use to program exit.
cGfxLoader& GetGfxLoader();

// Creates the four readers and registers them, owned, on the global loader in
// the order in which it offers files to them: JPEG, PNG, PCX, TGA. Called once
// by the script runtime's start-up.
void RegisterPictureReaders();
