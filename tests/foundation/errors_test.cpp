#include "foundation/errors.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/allocate.h"

using namespace VOXA::errors;

namespace {

struct KindRow {
  const char* name;
  std::unique_ptr<eError> (*make)(const char* text);
  std::unique_ptr<eError> (*makeEmpty)();
  const char* prefix;
  const char* description;  // without a message
};

template <typename Kind>
std::unique_ptr<eError> Made(const char* text) {
  return std::make_unique<Kind>("%s", text);
}
template <typename Kind>
std::unique_ptr<eError> Empty() {
  return std::make_unique<Kind>();
}

const KindRow kinds[] = {
    {"eError", Made<eError>, Empty<eError>, "", nullptr},
    {"eFatalError", Made<eFatalError>, Empty<eFatalError>, "Fatal: ", "Fatal error!"},
    {"eOutOfMemory", Made<eOutOfMemory>, Empty<eOutOfMemory>, "Out of memory: ", "Out of memory!"},
    {"eNonFatalError", Made<eNonFatalError>, Empty<eNonFatalError>, "", "Non-fatal error!"},
    {"eLocalFatalError", Made<eLocalFatalError>, Empty<eLocalFatalError>,
     "Fatal (local): ", "Local fatal error!"},
    {"eInformation", Made<eInformation>, Empty<eInformation>, "Information: ", "Non-fatal error!"},
    {"eWarning", Made<eWarning>, Empty<eWarning>, "Warning: ", "Non-fatal error!"},
};

}  // namespace

TEST(Errors, EachKindFormatsBehindItsOwnPrefix) {
  for (const KindRow& row : kinds) {
    SCOPED_TRACE(row.name);
    auto e = row.make("Could not launch cApplication!");
    EXPECT_STREQ(e->GetPrefix(), row.prefix);
    std::string expected = std::string(row.prefix) + "Could not launch cApplication!";
    EXPECT_EQ(e->GetMessage(), expected);
    EXPECT_EQ(e->GetDescription(), expected);
  }
}

TEST(Errors, WithoutMessageTheDescriptionIsTheKindsDefault) {
  for (const KindRow& row : kinds) {
    SCOPED_TRACE(row.name);
    auto e = row.makeEmpty();
    EXPECT_STREQ(e->GetMessage(), "");
    if (row.description)
      EXPECT_STREQ(e->GetDescription(), row.description);
    else
      EXPECT_EQ(e->GetDescription(), nullptr);
  }
}

TEST(Errors, NamedOutOfMemoryKinds) {
  struct Row {
    std::unique_ptr<eError> error;
    const char* expected;
  };
  Row rows[] = {
      {std::make_unique<eCouldNotCreateObject>("TFile"),
       "Out of memory: Could not create TFile() object!"},
      {std::make_unique<eCouldNotCreateObject>(nullptr), "Out of memory: Could not create object!"},
      {std::make_unique<eCouldNotAllocateMemoryFor>("argument list!"),
       "Out of memory: Could not allocate memory for argument list!!"},
      {std::make_unique<eCouldNotAllocateMemoryFor>(nullptr),
       "Out of memory: Could not allocate memory!"},
  };
  for (const Row& row : rows) EXPECT_STREQ(row.error->GetMessage(), row.expected);
}

TEST(Errors, LongArgumentsAreKeptWhole) {
  std::string longText(20000, 'x');
  eFatalError e("%s and %s", longText.c_str(), longText.c_str());
  EXPECT_EQ(e.GetMessage(), "Fatal: " + longText + " and " + longText);
}

TEST(Errors, SettingAMessageAgainReplacesIt) {
  eWarning e("first %d", 1);
  e.SetMessageF("second %d", 2);
  EXPECT_STREQ(e.GetMessage(), "Warning: second 2");
  e.SetMessage(nullptr, nullptr);
  EXPECT_STREQ(e.GetMessage(), "");
  EXPECT_STREQ(e.GetDescription(), "Non-fatal error!");
}

TEST(Errors, RaisedByPointerAndCaughtAsTheirBase) {
  try {
    throw new eCouldNotAllocateMemoryFor("key frames!");
  } catch (eFatalError* e) {
    EXPECT_STREQ(e->ClassName(), "VOXA::errors::eCouldNotAllocateMemoryFor");
    delete static_cast<eError*>(e);  // deleting through a base frees the text once
  } catch (...) {
    FAIL() << "an out-of-memory error is a fatal error";
  }
}

namespace {

// A class whose memory is never there, and one that takes its arguments.
struct Unallocatable {
  static void* operator new(std::size_t, const std::nothrow_t&) noexcept { return nullptr; }
  static void operator delete(void* p) { ::operator delete(p); }
};
struct Pair {
  Pair(int a, std::string b) : first(a), second(std::move(b)) {}
  int first;
  std::string second;
};

template <typename Kind>
std::string RaisedBy(void (*raise)()) {
  try {
    raise();
  } catch (eError* e) {
    std::unique_ptr<eError> owned(e);
    EXPECT_NE(dynamic_cast<Kind*>(e), nullptr);
    return e->GetMessage();
  }
  return "nothing raised";
}

}  // namespace

TEST(Errors, NewOrThrowConstructsWithTheArguments) {
  std::unique_ptr<Pair> made(NewOrThrow<Pair>("Pair", 7, "seven"));
  EXPECT_EQ(made->first, 7);
  EXPECT_EQ(made->second, "seven");
}

TEST(Errors, NewOrThrowRaisesTheNamedKindWhenTheMemoryIsNotThere) {
  EXPECT_EQ(RaisedBy<eCouldNotCreateObject>([] { NewOrThrow<Unallocatable>("Unallocatable"); }),
            "Out of memory: Could not create Unallocatable() object!");
  EXPECT_EQ(RaisedBy<eCouldNotAllocateMemoryFor>(
                [] { NewOrThrow<Unallocatable, eCouldNotAllocateMemoryFor>("demo list!"); }),
            "Out of memory: Could not allocate memory for demo list!!");
}
