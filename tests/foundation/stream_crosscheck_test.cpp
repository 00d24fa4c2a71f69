// Random seeks and reads through the stream kinds that sit over other streams,
// compared with what an independent reader (the C library's pread) finds in
// the same file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "foundation/stream.h"
#include "foundation/streams.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

using streamtest::OpenTFile;
using streamtest::WriteBytes;
using testsupport::ScopedTempDir;

namespace {

constexpr int32_t kFileSize = 100 * 1024;

// The bytes first..first+count-1 of the file, as far as they exist.
std::string Reference(int fd, int64_t first, int64_t count) {
  std::string bytes(static_cast<std::size_t>(std::max<int64_t>(count, 0)), '\0');
  ssize_t got = count > 0 ? pread(fd, bytes.data(), bytes.size(), first) : 0;
  bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
  return bytes;
}

// One sequence of random operations on a stream that shows bytes base..base+
// length-1 of the file; every result is checked against the reference.
void RunSequence(std::mt19937& random, TStream& stream, int fd, int32_t base, int32_t length) {
  auto pick = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  int32_t position = 0;
  ASSERT_EQ(stream.Size(), length);
  for (int op = pick(5, 25); op > 0; --op) {
    switch (pick(0, 4)) {
      case 0: {  // seek with a random origin to a random place inside
        int32_t target = pick(0, length);
        int origin = pick(0, 2);
        int32_t offset = origin == 0 ? target : origin == 1 ? target - position : target - length;
        stream.Seek(offset, origin);
        position = target;
        break;
      }
      case 1:
      case 2: {  // read items of a random size
        int32_t size = pick(1, 8);
        int32_t count = pick(0, 3000 / size);
        std::string buffer(static_cast<std::size_t>(size) * count, '\0');
        int32_t items = stream.Read(buffer.data(), size, count);
        int32_t moved = std::min(size * count, length - position);
        ASSERT_EQ(items, moved / size);
        ASSERT_EQ(buffer.substr(0, moved), Reference(fd, base + position, moved));
        position += moved;
        break;
      }
      case 3: {  // single bytes where there are some
        if (position >= length) break;
        ASSERT_EQ(static_cast<char>(stream.ReadByte()), Reference(fd, base + position, 1)[0]);
        position += 1;
        break;
      }
      case 4: {  // a little-endian dword where there is one
        if (position + 4 > length) break;
        std::string ref = Reference(fd, base + position, 4);
        uint32_t expected = 0;
        for (int i = 3; i >= 0; --i) expected = (expected << 8) | static_cast<uint8_t>(ref[i]);
        ASSERT_EQ(stream.ReadDword(), expected);
        position += 4;
        break;
      }
    }
    ASSERT_EQ(stream.Tell(), position);
  }
}

}  // namespace

TEST(StreamCrossCheck, RandomSeeksAndReadsGiveTheFilesBytes) {
  ScopedTempDir dir;
  std::mt19937 random(20261210);
  std::string data(kFileSize, '\0');
  for (char& c : data) c = static_cast<char>(random() & 0xFF);
  WriteBytes("random.bin", data);
  int fd = open("random.bin", O_RDONLY);
  ASSERT_GE(fd, 0);
  auto shared = OpenTFile("random.bin");  // the windows' inner stream
  ASSERT_TRUE(shared);

  for (int sequence = 0; sequence < 1000; ++sequence) {
    SCOPED_TRACE(sequence);
    {
      int32_t bufferSize = std::uniform_int_distribution<int32_t>(1, 5000)(random);
      TBufferedStream stream(OpenTFile("random.bin"), bufferSize);
      ASSERT_NO_FATAL_FAILURE(RunSequence(random, stream, fd, 0, kFileSize));
    }
    {
      auto file = std::make_unique<TFile>();
      file->SetName("random.bin");
      TPrereadStream stream(std::move(file));
      ASSERT_TRUE(stream.Open(kStreamRead));
      ASSERT_NO_FATAL_FAILURE(RunSequence(random, stream, fd, 0, kFileSize));
    }
    {
      int32_t first = std::uniform_int_distribution<int32_t>(0, kFileSize - 1)(random);
      int32_t last = std::uniform_int_distribution<int32_t>(first, kFileSize - 1)(random);
      int32_t innerPosition = std::uniform_int_distribution<int32_t>(0, kFileSize)(random);
      shared->Seek(innerPosition, kSeekStart);
      TStreamWindow stream(shared.get(), first, last);
      ASSERT_TRUE(stream.Open(kStreamRead));
      ASSERT_NO_FATAL_FAILURE(RunSequence(random, stream, fd, first, last - first + 1));
      ASSERT_EQ(shared->Tell(), innerPosition);
    }
  }
  close(fd);
}
