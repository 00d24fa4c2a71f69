#include "foundation/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "foundation/errors.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

namespace {

std::unique_ptr<TStream> OrPlainStream(std::unique_ptr<TStream> stream) {
  if (stream) return stream;
  TStream* plain = NewOrThrow<TStream>("TStream");
  return std::unique_ptr<TStream>(plain);
}

// The new position of a seek, or nothing for an unknown origin.
bool SeekTarget(int64_t position, int64_t size, int32_t offset, int origin, int64_t* target) {
  switch (origin) {
    case 0:
      *target = offset;
      return true;
    case 1:
      *target = position + offset;
      return true;
    case 2:
      *target = size + offset;
      return true;
    default:
      return false;
  }
}

}  // namespace

// --------------------------------------------------------- TBufferedStream

TBufferedStream::TBufferedStream(std::unique_ptr<TStream> inner, int32_t bufferSize)
    : inner_(OrPlainStream(std::move(inner))) {
  bufferSize_ = bufferSize > 0 ? bufferSize : 1024;
  buffer_.reset(new (std::nothrow) uint8_t[bufferSize_]);
  if (!buffer_) throw new eCouldNotAllocateMemoryFor("file buffer!");
  if (inner_->IsOpen()) {
    blockStart_ = inner_->Tell();
    size_ = inner_->Size();
    end_ = inner_->Eof();
  }
}

void TBufferedStream::SetName(const char* name) { inner_->SetName(name); }
bool TBufferedStream::IsOpen() { return inner_->IsOpen(); }
bool TBufferedStream::Failed() { return inner_->Failed(); }
bool TBufferedStream::Remove() { return inner_->Remove(); }

// A write mode is refused before anything is closed: the inner stream stays as
// it was.
bool TBufferedStream::Open(int mode) {
  if (mode & (kStreamWrite | kStreamAppend)) return false;
  Close();
  if (!inner_->Open(mode)) return false;
  fill_ = index_ = 0;
  blockStart_ = inner_->Tell();
  size_ = inner_->Size();
  end_ = false;
  return true;
}

void TBufferedStream::Close() {
  inner_->Close();
  fill_ = index_ = 0;
}

// An unknown origin goes to the inner stream, which reports it, and keeps the
// buffer: the position must not jump to where the inner stream has read ahead.
void TBufferedStream::Seek(int32_t offset, int origin) {
  if (origin < kSeekStart || origin > kSeekEnd) {
    inner_->Seek(offset, origin);
    return;
  }
  if (origin == kSeekCurrent) {
    inner_->Seek(static_cast<int32_t>(static_cast<int64_t>(Tell()) + offset), kSeekStart);
  } else {
    inner_->Seek(offset, origin);
  }
  fill_ = index_ = 0;
  blockStart_ = inner_->Tell();
}

void TBufferedStream::Truncate() {}

void TBufferedStream::Refill() {
  blockStart_ = inner_->Tell();
  fill_ = std::max(0, inner_->Read(buffer_.get(), 1, bufferSize_));
  index_ = 0;
}

int32_t TBufferedStream::Read(void* buffer, int32_t size, int32_t count) {
  int64_t total = StreamByteCount(size, count);
  if (total == 0 || !buffer) return 0;
  int64_t copied = 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  if (index_ >= fill_) Refill();
  while (total > 0 && fill_ > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(fill_ - index_, total));
    std::memcpy(out + copied, buffer_.get() + index_, n);
    index_ += n;
    copied += n;
    total -= n;
    if (total > 0 && index_ >= fill_) Refill();
  }
  if (total > 0) end_ = true;
  return static_cast<int32_t>(copied / size);
}

// At the end of the data the byte is 0 and the end flag is set.
uint8_t TBufferedStream::ReadByte() {
  if (index_ >= fill_) Refill();
  if (index_ >= fill_) {
    end_ = true;
    return 0;
  }
  return buffer_[index_++];
}

uint16_t TBufferedStream::ReadWord() { return WordFromBytes(); }

uint32_t TBufferedStream::ReadDword() { return DwordFromWords(); }

int32_t TBufferedStream::Tell() { return blockStart_ + index_; }
int32_t TBufferedStream::Size() { return size_; }
bool TBufferedStream::Eof() { return end_; }
bool TBufferedStream::IsBuffered() { return true; }

// ---------------------------------------------------------- TPrereadStream

TPrereadStream::TPrereadStream() { bufferSize_ = 1; }

TPrereadStream::TPrereadStream(std::unique_ptr<TStream> inner)
    : inner_(OrPlainStream(std::move(inner))) {}

TPrereadStream::~TPrereadStream() {
  if (open_) TPrereadStream::Close();
  std::free(data_);
}

void TPrereadStream::SetName(const char* name) {
  if (inner_) inner_->SetName(name);
}

bool TPrereadStream::LoadInner() {
  inner_->Open(kStreamRead);
  int32_t size = inner_->Size();
  bool ok = size >= 0 && !inner_->Failed();
  if (ok && size > 0) {
    data_ = static_cast<uint8_t*>(std::malloc(size));
    ok = data_ != nullptr && inner_->Read(data_, 1, size) == size && !inner_->Failed();
  }
  inner_->Close();
  if (!ok) {
    std::free(data_);
    data_ = nullptr;
    size = 0;
  }
  size_ = size;
  return ok;
}

bool TPrereadStream::Open(int mode) {
  if (open_) Close();
  bool load = true;
  switch (mode) {
    case 1:
    case 5:
      writable_ = false;
      break;
    case 2:
      load = false;
      writable_ = true;
      break;
    case 3:
    case 6:
    case 7:
      writable_ = true;
      break;
    default:
      error_ = true;
      return false;
  }
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
  if (load && inner_ && !LoadInner()) {
    writable_ = false;
    error_ = true;
    return false;
  }
  position_ = mode == 6 ? size_ : 0;
  open_ = true;
  end_ = false;
  error_ = false;
  return true;
}

bool TPrereadStream::IsOpen() { return open_; }

// The size goes with the block, so nothing can read the freed block afterwards.
// An empty writable stream writes back an empty file; that is no failure.
void TPrereadStream::Close() {
  error_ = false;
  if (writable_ && inner_) {
    inner_->Open(kStreamWrite);
    if (size_ > 0 && inner_->Write(data_, size_, 1) == 0) error_ = true;
    inner_->Close();
  }
  writable_ = false;
  open_ = false;
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
  position_ = 0;
}

void TPrereadStream::AdoptBlock(uint8_t* block, int32_t size) {
  std::free(data_);
  data_ = block;
  size_ = size;
  position_ = 0;
  open_ = true;
  writable_ = false;
}

bool TPrereadStream::Resize(int32_t newSize) {
  if (newSize == 0) {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    return true;
  }
  uint8_t* grown = static_cast<uint8_t*>(std::realloc(data_, newSize));
  if (!grown) return false;
  data_ = grown;
  size_ = newSize;
  return true;
}

void TPrereadStream::Seek(int32_t offset, int origin) {
  if (!open_) return;
  int64_t target = 0;
  if (!SeekTarget(position_, size_, offset, origin, &target)) {
    error_ = true;
    return;
  }
  if (target < 0) {
    position_ = 0;
    error_ = true;
    return;
  }
  if (target > size_) {
    int32_t oldSize = size_;
    if (!writable_ || target > std::numeric_limits<int32_t>::max() ||
        !Resize(static_cast<int32_t>(target))) {
      error_ = true;
      return;
    }
    std::memset(data_ + oldSize, 0, size_ - oldSize);
  }
  position_ = static_cast<int32_t>(target);
}

void TPrereadStream::Truncate() {
  if (!open_ || !writable_) return;
  if (!Resize(position_)) throw new eCouldNotAllocateMemoryFor("stream data!");
}

int32_t TPrereadStream::Read(void* buffer, int32_t size, int32_t count) {
  if (!open_) {
    error_ = true;
    return 0;
  }
  int64_t want = StreamByteCount(size, count);
  if (want == 0 || !buffer) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(want, size_ - position_));
  if (n > 0) std::memcpy(buffer, data_ + position_, n);
  n = std::max(n, 0);
  position_ += n;
  if (n < want) end_ = true;
  return n / size;
}

int32_t TPrereadStream::Write(const void* buffer, int32_t size, int32_t count) {
  if (!open_ || !writable_) {
    error_ = true;
    return 0;
  }
  int64_t want = StreamByteCount(size, count);
  if (want == 0 || !buffer) return 0;
  int32_t inside = static_cast<int32_t>(std::min<int64_t>(want, size_ - position_));
  int64_t newSize = static_cast<int64_t>(position_) + want;
  if (newSize > size_) {
    if (newSize > std::numeric_limits<int32_t>::max() || !Resize(static_cast<int32_t>(newSize))) {
      // Only the whole items that fit before the end are written.
      int32_t items = inside / size;
      std::memcpy(data_ + position_, buffer, static_cast<std::size_t>(items) * size);
      position_ += items * size;
      return items;
    }
  }
  std::memcpy(data_ + position_, buffer, want);
  position_ += static_cast<int32_t>(want);
  return count;
}

uint8_t TPrereadStream::ReadByte() {
  if (!open_ || position_ < 0 || position_ >= size_) {
    error_ = true;
    return 0;
  }
  return data_[position_++];
}

uint16_t TPrereadStream::ReadWord() { return WordFromBytes(); }

uint32_t TPrereadStream::ReadDword() { return DwordFromWords(); }

bool TPrereadStream::Failed() { return error_; }
int32_t TPrereadStream::Tell() { return position_; }
int32_t TPrereadStream::Size() { return size_; }
bool TPrereadStream::Eof() { return end_; }

bool TPrereadStream::Remove() {
  if (open_) Close();
  return inner_ && inner_->Remove();
}

// ----------------------------------------------------------------- TArcFile

TArcFile::TArcFile(TArchive* archive) : archive_(archive) {}

void TArcFile::SetName(const char* name) { memberName_ = CopyName(name); }

bool TArcFile::Open(int mode) {
  Close();
  bool open = false;
  if (!(mode & (kStreamWrite | kStreamAppend)) && archive_) {
    int32_t size = -1;
    uint8_t* block = nullptr;
    archive_->ExtractMember(memberName_.c_str(), size, block, nullptr);
    if (size >= 0 && block) {
      AdoptBlock(block, size);
      open = true;
    } else {
      std::free(block);
    }
  }
  ClearEnd();
  SetError(!open);
  return open;
}

// ----------------------------------------------------------------- TMemFile

TMemFile::TMemFile(void* block, int32_t size, bool readOnly)
    : readOnly_(readOnly),
      data_(static_cast<uint8_t*>(block)),
      size_(block && size > 0 ? size : 0) {
  bufferSize_ = 1;
}

bool TMemFile::Open(int mode) {
  if (open_) Close();
  if (mode != kStreamRead && readOnly_) {
    open_ = false;
    error_ = true;
    return false;
  }
  position_ = 0;
  open_ = true;
  error_ = false;
  end_ = false;
  return true;
}

bool TMemFile::IsOpen() { return open_; }

void TMemFile::Close() {
  error_ = false;
  open_ = false;
  position_ = 0;
}

void TMemFile::Seek(int32_t offset, int origin) {
  int64_t target = 0;
  if (!SeekTarget(position_, size_, offset, origin, &target)) {
    error_ = true;
    return;
  }
  if (target < 0) {
    position_ = 0;
    error_ = true;
  } else if (target > size_) {
    error_ = true;
  } else {
    position_ = static_cast<int32_t>(target);
  }
}

void TMemFile::Truncate() {
  if (!open_ || readOnly_) return;
  if (position_ == 0) {
    std::free(data_);
    data_ = nullptr;
  } else {
    uint8_t* block = static_cast<uint8_t*>(std::realloc(data_, position_));
    if (!block) throw new eCouldNotAllocateMemoryFor("memory-file data!");
    data_ = block;
  }
  size_ = position_;
}

int32_t TMemFile::Read(void* buffer, int32_t size, int32_t count) {
  int64_t want = StreamByteCount(size, count);
  if (want == 0 || !buffer) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(want, size_ - position_));
  if (n > 0) std::memcpy(buffer, data_ + position_, n);
  n = std::max(n, 0);
  position_ += n;
  if (n < want) end_ = true;
  return n / size;
}

int32_t TMemFile::Write(const void* buffer, int32_t size, int32_t count) {
  if (readOnly_) return 0;
  int64_t want = StreamByteCount(size, count);
  if (want == 0 || !buffer) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(want, size_ - position_));
  if (n > 0) std::memcpy(data_ + position_, buffer, n);
  n = std::max(n, 0);
  position_ += n;
  if (n < want) end_ = true;
  return n / size;
}

uint8_t TMemFile::ReadByte() {
  if (position_ >= size_) {
    error_ = true;
    return 0;
  }
  return data_[position_++];
}

uint16_t TMemFile::ReadWord() { return WordFromBytes(); }

uint32_t TMemFile::ReadDword() { return DwordFromWords(); }

bool TMemFile::Failed() { return error_; }
int32_t TMemFile::Tell() { return position_; }
int32_t TMemFile::Size() { return size_; }
bool TMemFile::Eof() { return end_; }
bool TMemFile::Remove() { return false; }

// ------------------------------------------------------------ TStreamWindow

// A window that starts before the inner stream's first byte is empty.
TStreamWindow::TStreamWindow(TStream* inner, int32_t first, int32_t last)
    : inner_(inner), first_(first) {
  int64_t length = static_cast<int64_t>(last) - first + 1;
  length_ = first < 0 || length < 0 ? 0 : static_cast<int32_t>(length);
}

bool TStreamWindow::Open(int) {
  position_ = 0;
  return IsOpen();
}

bool TStreamWindow::IsOpen() { return inner_ && inner_->IsOpen(); }
bool TStreamWindow::Failed() { return inner_ && inner_->Failed(); }
bool TStreamWindow::IsBuffered() { return inner_ && inner_->IsBuffered(); }

void TStreamWindow::Seek(int32_t offset, int origin) {
  int64_t target = 0;
  if (!SeekTarget(position_, length_, offset, origin, &target)) return;
  if (target >= 0 && target <= length_) position_ = static_cast<int32_t>(target);
}

// The position advances by the bytes that really came, so a window reaching
// past the end of its inner stream never reports more than it delivered.
int32_t TStreamWindow::Read(void* buffer, int32_t size, int32_t count) {
  if (!IsOpen() || size <= 0 || !buffer) return 0;
  int32_t remembered = inner_->Tell();
  int64_t want = std::min<int64_t>(StreamByteCount(size, count), length_ - position_);
  int64_t start = static_cast<int64_t>(first_) + position_;
  int32_t got = 0;
  if (want > 0 && start <= std::numeric_limits<int32_t>::max()) {
    inner_->Seek(static_cast<int32_t>(start), kSeekStart);
    got = std::max(0, inner_->Read(buffer, 1, static_cast<int32_t>(want)));
    inner_->Seek(remembered, kSeekStart);
    position_ += got;
  }
  return got / size;
}

int32_t TStreamWindow::Tell() { return IsOpen() ? position_ : -1; }
int32_t TStreamWindow::Size() { return IsOpen() ? length_ : -1; }
bool TStreamWindow::Eof() { return position_ >= length_; }
