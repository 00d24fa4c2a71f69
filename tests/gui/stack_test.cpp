#include "gui/stack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/errors.h"

namespace {

TEST(Stack, GrowsByExactlyTheSizeOfEachPush) {
  cStack stack;
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::uint8_t out[8] = {};
  stack.Push(bytes, 4);
  EXPECT_EQ(stack.GetCapacity(), 4);
  stack.Push(bytes, 1);
  EXPECT_EQ(stack.GetCapacity(), 5);
  stack.Pop(out, 5);
  stack.Push(bytes, 3);
  EXPECT_EQ(stack.GetCapacity(), 5);
  stack.Push(bytes + 3, 3);
  EXPECT_EQ(stack.GetCapacity(), 8);
  stack.Pop(out, 6);
  EXPECT_EQ(std::string(out, out + 6), std::string("\1\2\3\4\5\6", 6));
  stack.Clear();
  EXPECT_EQ(stack.GetCapacity(), 0);
}

TEST(Stack, AFramePopsInReverseWithTheSameValues) {
  cStack stack;
  int marker = 0;
  stack.PushInt(-14);
  stack.PushString("Arial");
  stack.PushPointer(&marker);
  stack.PushByte(0xAB);
  stack.PushFloat(2.5f);
  stack.PushString("");
  char* empty = nullptr;
  float f = 0;
  std::uint8_t b = 0;
  void* p = nullptr;
  char* face = nullptr;
  std::int32_t size = 0;
  stack.PopString(&empty);
  stack.PopFloat(&f);
  stack.PopByte(&b);
  stack.PopPointer(&p);
  stack.PopString(&face);
  stack.PopInt(&size);
  std::unique_ptr<char[]> owned1(empty), owned2(face);
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(f, 2.5f);
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(p, &marker);
  EXPECT_STREQ(face, "Arial");
  EXPECT_EQ(size, -14);
  EXPECT_EQ(stack.GetUsed(), 0);
}

TEST(Stack, UnderflowThrowsAndKeepsWhatIsStored) {
  cStack stack;
  const std::uint8_t bytes[3] = {7, 8, 9};
  stack.Push(bytes, 3);
  std::int32_t value = 0;
  try {
    stack.PopInt(&value);
    FAIL() << "no error";
  } catch (VOXA::errors::eLocalFatalError* error) {
    EXPECT_STREQ(error->GetMessage(), "Fatal (local): Stack error: Cannot pop from empty stack!");
    delete error;
  }
  std::uint8_t out[3] = {};
  stack.Pop(out, 3);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[2], 9);
}

}  // namespace
