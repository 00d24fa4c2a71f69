#include "gui/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

using ZGUI::cMessageQueue;
using ZGUI::tKeyMessage;
using ZGUI::tMessage;
using ZGUI::tMouseMessage;

// A message that reports its own destruction, to count deletions exactly.
struct tCountedMessage : public tMessage {
  explicit tCountedMessage(std::vector<int>* deaths, int id) : deaths_(deaths), id_(id) {}
  ~tCountedMessage() override { deaths_->push_back(id_); }
  std::vector<int>* deaths_;
  int id_;
};

TEST(MessageQueue, RecordsStartAsDescribed) {
  tMessage plain;
  tKeyMessage key;
  tMouseMessage mouse;
  EXPECT_EQ(plain.type, 1);
  EXPECT_EQ(key.type, 2);
  EXPECT_EQ(mouse.type, 3);
  EXPECT_EQ(plain.param, 0u);
  EXPECT_EQ(plain.data, nullptr);
  EXPECT_EQ(mouse.button, -1);
}

TEST(MessageQueue, PostedMessagesComeOutInOrderWithTheirFields) {
  cMessageQueue queue;
  const std::uint8_t moved[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  const std::uint8_t pressed[8] = {0, 1, 0, 0, 0, 0, 0, 0};
  queue.PostMouseMessage(0, -1, moved, 10, 20);
  queue.PostKeyMessage(30, 'a', true, 0x80);
  queue.PostMessage();
  queue.PostMouseMessage(1, 1, pressed, 11, 21);

  std::unique_ptr<tMessage> m(queue.GetMessage());
  ASSERT_EQ(m->type, 3);
  auto* move = static_cast<tMouseMessage*>(m.get());
  EXPECT_EQ(move->action, 0);
  EXPECT_EQ(move->button, -1);
  EXPECT_EQ(move->x, 10);
  EXPECT_EQ(move->y, 20);
  EXPECT_EQ(move->wheel, 0);
  EXPECT_EQ(move->reserved, 0);

  m.reset(queue.GetMessage());
  ASSERT_EQ(m->type, 2);
  auto* key = static_cast<tKeyMessage*>(m.get());
  EXPECT_EQ(key->key, 30);
  EXPECT_EQ(key->character, 'a');
  EXPECT_TRUE(key->pressed);
  EXPECT_EQ(key->modifiers, 0x80u);
  EXPECT_EQ(key->param, 0u);
  EXPECT_EQ(key->data, nullptr);

  m.reset(queue.GetMessage());
  EXPECT_EQ(m->type, 1);

  m.reset(queue.GetMessage());
  ASSERT_EQ(m->type, 3);
  auto* press = static_cast<tMouseMessage*>(m.get());
  EXPECT_EQ(press->action, 1);
  EXPECT_EQ(press->button, 1);
  EXPECT_EQ(press->buttons[0], 0);
  EXPECT_NE(press->buttons[1], 0);

  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.GetMessage(), nullptr);
  EXPECT_TRUE(queue.IsEmpty());
}

TEST(MessageQueue, NullIsIgnoredAndDataIsFreedWithItsRecord) {
  cMessageQueue queue;
  queue.AddMessage(nullptr);
  EXPECT_TRUE(queue.IsEmpty());
  auto* message = new tMessage();
  message->data = std::malloc(32);  // freed by the record; ASan sees a leak otherwise
  queue.AddMessage(message);
  EXPECT_FALSE(queue.IsEmpty());
  queue.ReleaseMessage(queue.GetMessage());
  queue.ReleaseMessage(nullptr);
  EXPECT_TRUE(queue.IsEmpty());
}

TEST(MessageQueue, DestructionDeletesEveryQueuedMessageOnceInOrder) {
  std::vector<int> deaths;
  {
    cMessageQueue queue;
    for (int i = 0; i < 5; ++i) queue.AddMessage(new tCountedMessage(&deaths, i));
    delete queue.GetMessage();
    EXPECT_EQ(deaths, (std::vector<int>{0}));
  }
  EXPECT_EQ(deaths, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(MessageQueue, AClosedQueueTakesNothingAndGivesNothing) {
  std::vector<int> deaths;
  cMessageQueue queue;
  queue.AddMessage(new tCountedMessage(&deaths, 1));
  queue.AddMessage(new tCountedMessage(&deaths, 2));
  queue.Close();
  EXPECT_EQ(deaths, (std::vector<int>{1, 2}));
  queue.AddMessage(new tCountedMessage(&deaths, 3));  // deleted at once, not queued
  EXPECT_EQ(deaths, (std::vector<int>{1, 2, 3}));
  queue.PostMessage();
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.GetMessage(), nullptr);
}

// Two producers, as the input thread and the main thread, each post a numbered
// sequence of mixed messages while the consumer drains: every message comes
// out exactly once and each producer's order is kept.
TEST(MessageQueue, TwoProducersAndAConsumerKeepOrderAndLoseNothing) {
  constexpr int kPerProducer = 3000;
  cMessageQueue queue;
  auto produce = [&queue](int producer) {
    const std::uint8_t buttons[8] = {};
    for (int i = 0; i < kPerProducer; ++i) {
      switch (i % 3) {
        case 0:
          queue.PostKeyMessage(producer, 0, true, static_cast<std::uint32_t>(i));
          break;
        case 1:
          queue.PostMouseMessage(0, -1, buttons, producer, i);
          break;
        default: {
          auto* m = new tMessage();
          m->param = static_cast<std::uint32_t>(producer << 16 | i);
          queue.AddMessage(m);
        }
      }
    }
  };
  std::vector<int> next(2, 0);
  int taken = 0;
  std::thread input(produce, 0);
  std::thread main(produce, 1);
  while (taken < 2 * kPerProducer) {
    std::unique_ptr<tMessage> m(queue.GetMessage());
    if (!m) {
      std::this_thread::yield();
      continue;
    }
    int producer = 0, index = 0;
    if (m->type == 2) {
      auto* k = static_cast<tKeyMessage*>(m.get());
      producer = k->key;
      index = static_cast<int>(k->modifiers);
    } else if (m->type == 3) {
      auto* mouse = static_cast<tMouseMessage*>(m.get());
      producer = mouse->x;
      index = mouse->y;
    } else {
      producer = static_cast<int>(m->param >> 16);
      index = static_cast<int>(m->param & 0xFFFF);
    }
    ASSERT_TRUE(producer == 0 || producer == 1);
    ASSERT_EQ(index, next[producer]) << "producer " << producer;
    ++next[producer];
    ++taken;
  }
  input.join();
  main.join();
  EXPECT_EQ(next, (std::vector<int>{kPerProducer, kPerProducer}));
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.GetMessage(), nullptr);
}

}  // namespace
