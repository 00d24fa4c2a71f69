#include "foundation/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "foundation/archive.h"
#include "foundation/diskpath.h"
#include "foundation/errors.h"

using VOXA::errors::eOutOfMemory;

int64_t StreamByteCount(int32_t size, int32_t count) {
  if (size <= 0 || count <= 0) return 0;
  return static_cast<int64_t>(size) * count;
}

std::string CopyName(const char* name, const char* failure) {
  try {
    return std::string(name ? name : "");
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("%s", failure);
  }
}

// ---------------------------------------------------------------- TStream

void TStream::SetName(const char*) {}
bool TStream::Open(int) { return false; }
bool TStream::IsOpen() { return false; }
void TStream::Close() {}
void TStream::Seek(int32_t, int) {}
void TStream::Truncate() {}
int32_t TStream::Read(void*, int32_t, int32_t) { return 0; }
int32_t TStream::Write(const void*, int32_t, int32_t) { return 0; }

// A short read gives 0 rather than whatever part of the value came.
uint8_t TStream::ReadByte() {
  uint8_t b[1] = {0};
  if (Read(b, 1, 1) != 1) return 0;
  return b[0];
}

uint16_t TStream::ReadWord() {
  uint8_t b[2] = {0, 0};
  if (Read(b, 2, 1) != 1) return 0;
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadDword() {
  uint8_t b[4] = {0, 0, 0, 0};
  if (Read(b, 4, 1) != 1) return 0;
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

bool TStream::Failed() { return false; }
int32_t TStream::Tell() { return -1; }
int32_t TStream::Size() { return 0; }
bool TStream::Eof() { return true; }
bool TStream::Remove() { return false; }
bool TStream::IsBuffered() { return bufferSize_ != 0; }

// ---------------------------------------------------------- TStreamWrapper

TStreamWrapper::TStreamWrapper(std::unique_ptr<TStream> inner) : inner_(std::move(inner)) {}

void TStreamWrapper::SetName(const char* name) {
  if (inner_) inner_->SetName(name);
}
bool TStreamWrapper::Open(int mode) { return inner_ && inner_->Open(mode); }
bool TStreamWrapper::IsOpen() { return inner_ && inner_->IsOpen(); }
void TStreamWrapper::Close() {
  if (inner_) inner_->Close();
}
void TStreamWrapper::Seek(int32_t offset, int origin) {
  if (inner_) inner_->Seek(offset, origin);
}
void TStreamWrapper::Truncate() {
  if (inner_) inner_->Truncate();
}
int32_t TStreamWrapper::Read(void* buffer, int32_t size, int32_t count) {
  return inner_ ? inner_->Read(buffer, size, count) : 0;
}
int32_t TStreamWrapper::Write(const void* buffer, int32_t size, int32_t count) {
  return inner_ ? inner_->Write(buffer, size, count) : 0;
}
uint16_t TStream::WordFromBytes() {
  uint16_t low = ReadByte();
  return static_cast<uint16_t>(low | (ReadByte() << 8));
}

uint32_t TStream::DwordFromWords() {
  uint32_t low = ReadWord();
  return low | (static_cast<uint32_t>(ReadWord()) << 16);
}

uint8_t TStreamWrapper::ReadByte() { return inner_ ? inner_->ReadByte() : 0; }
uint16_t TStreamWrapper::ReadWord() { return inner_ ? inner_->ReadWord() : 0; }
uint32_t TStreamWrapper::ReadDword() { return inner_ ? inner_->ReadDword() : 0; }
bool TStreamWrapper::Failed() { return inner_ && inner_->Failed(); }
int32_t TStreamWrapper::Tell() { return inner_ ? inner_->Tell() : -1; }
int32_t TStreamWrapper::Size() { return inner_ ? inner_->Size() : -1; }
bool TStreamWrapper::Eof() { return inner_ && inner_->Eof(); }
bool TStreamWrapper::Remove() { return inner_ && inner_->Remove(); }
bool TStreamWrapper::IsBuffered() { return inner_ && inner_->IsBuffered(); }

// --------------------------------------------------------- TArchiveWrapper

TArchiveWrapper::TArchiveWrapper(TArchive* archive) : archive_(archive) {}

void TArchiveWrapper::SetName(const char* name) {
  inner_.reset();
  memberName_.reset();
  if (name) memberName_ = CopyName(name);
}

bool TArchiveWrapper::Open(int mode) {
  if (inner_) return inner_->Open(mode);
  if (!archive_ || !memberName_) return false;
  // The archive opens its members for reading whatever the mode.
  inner_ = archive_->OpenFile(memberName_->c_str(), false);
  return inner_ != nullptr;
}

// -------------------------------------------------------------------- TFile

TFile::~TFile() { Close(); }

void TFile::SetName(const char* name) { name_ = CopyName(name); }

bool TFile::Open(int mode) {
  Close();
  if (!name_) return false;
  const char* text = nullptr;
  switch (mode) {
    case 1:
    case 5:
      text = "rb";
      break;
    case 2:
      text = "wb";
      break;
    case 3:
      text = "r+b";
      break;
    case 6:
      text = "ab";
      break;
    case 7:
      text = "a+b";
      break;
    default:
      break;
  }
  if (text) {
    std::string path = ResolveDiskPath(name_->c_str());
    handle_ = std::fopen(path.c_str(), text);
    if (!handle_ && mode == 3) handle_ = std::fopen(path.c_str(), "w+b");
    // A folder opens as a file on this platform but reads nothing; refuse it
    // as the data tree's authors' systems did.
    struct stat info;
    if (handle_ && fstat(fileno(handle_), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fclose(handle_);
      handle_ = nullptr;
    }
  }
  if (!handle_) {
    open_ = false;
    error_ = true;
    return false;
  }
  open_ = std::ferror(handle_) == 0;
  error_ = !open_;
  if (open_ && mode == 5) std::fseek(handle_, 0, SEEK_END);
  return open_;
}

bool TFile::IsOpen() { return open_; }

// A handle that reported an error on opening is released here as well, so no
// handle is ever left behind.
void TFile::Close() {
  if (handle_) std::fclose(handle_);
  handle_ = nullptr;
  open_ = false;
}

void TFile::Seek(int32_t offset, int origin) {
  static const int kOrigins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (!open_ || origin < 0 || origin > 2) {
    error_ = true;
    return;
  }
  if (std::fseek(handle_, offset, kOrigins[origin]) != 0) error_ = true;
}

void TFile::Truncate() {
  if (!open_) return;
  long position = std::ftell(handle_);
  if (position == -1) return;
  std::fflush(handle_);
  if (ftruncate(fileno(handle_), position) != 0) error_ = true;
}

int32_t TFile::Read(void* buffer, int32_t size, int32_t count) {
  if (!open_) {
    error_ = true;
    return 0;
  }
  if (size <= 0 || count <= 0 || !buffer) return 0;
  return static_cast<int32_t>(std::fread(buffer, size, count, handle_));
}

int32_t TFile::Write(const void* buffer, int32_t size, int32_t count) {
  if (!open_) {
    error_ = true;
    return 0;
  }
  if (size <= 0 || count <= 0 || !buffer) return 0;
  return static_cast<int32_t>(std::fwrite(buffer, size, count, handle_));
}

bool TFile::Failed() {
  if (error_) return true;
  if (open_) error_ = std::ferror(handle_) != 0;
  return error_;
}

int32_t TFile::Tell() {
  if (!open_) {
    error_ = true;
    return -1;
  }
  return static_cast<int32_t>(std::ftell(handle_));
}

int32_t TFile::Size() {
  if (!open_) {
    error_ = true;
    return -1;
  }
  long position = std::ftell(handle_);
  std::fseek(handle_, 0, SEEK_END);
  long size = std::ftell(handle_);
  std::fseek(handle_, position, SEEK_SET);
  return static_cast<int32_t>(size);
}

bool TFile::Eof() {
  if (!open_) {
    error_ = true;
    return true;
  }
  return std::feof(handle_) != 0;
}

bool TFile::Remove() {
  if (!name_) {
    error_ = true;
    return false;
  }
  Close();
  return std::remove(ResolveDiskPath(name_->c_str()).c_str()) == 0;
}
