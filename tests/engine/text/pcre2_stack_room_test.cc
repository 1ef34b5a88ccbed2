// Deep patterns compiled and matched on thread stacks as small as Python makes them.
#include "engine/text/pcre2_stack_room.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <variant>

#include "engine/text/pattern.h"

namespace engine {
namespace {

void on_thread_with_stack(size_t bytes, std::function<void()> body) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
  pthread_t thread;
  const auto run = [](void* body) -> void* {
    (*static_cast<std::function<void()>*>(body))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &body), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::string repeated(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// What the pattern finds in `name`, or the compiler's refusal.
std::string outcome(const std::string& pattern, const std::string& name) {
  const auto compiled = Pattern::compile(pattern);
  if (const auto* refusal = std::get_if<std::string>(&compiled)) return *refusal;
  return std::get<Pattern>(compiled).search(name) ? "found" : "not found";
}

// Each shape at each depth up to the nesting limit, as one past it, gives on a small
// stack what it gives on the main thread's: the matching compile, the guard's (a class
// holding "(?R)"), look-arounds (the JIT's deepest), the automaton's compile and match
// (a plain pattern beyond the backtracking limit), and long rows of groups.
TEST(Pcre2StackRoom, DeepPatternsGiveTheSameOutcomeOnSmallStacks) {
  struct Shape {
    std::string_view open, inside, close, name;
  };
  const Shape shapes[] = {
      {"(", "a", ")", "xa"},
      {"(?:y|", "a", ")+", "xa"},
      {"(?=", "a", ")", "xa"},
      {"(?<!", "b", ")", "xa"},
      {"(", "[(?R)]", ")", "xR"},
      {"(?:", "(x+x+)+y", ")", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxz xxy"},
  };
  std::vector<std::string> patterns, names, expected;
  for (const Shape& shape : shapes)
    for (const int depth : {0, 1, 10, 11, 12, 13, 40, 60, 100, 160, 200, 248, 249, 250}) {
      patterns.push_back(repeated(shape.open, depth) + std::string(shape.inside) +
                         repeated(shape.close, depth));
      names.emplace_back(shape.name);
      expected.push_back(outcome(patterns.back(), names.back()));
    }
  // Groups in a row that may match nothing, after a repeat: PCRE2 follows them one level
  // deeper each, when it checks what may come after the repeat.
  for (const int run : {100, 500, 1000, 3000}) {
    patterns.push_back("x+" + repeated("(?:|a)", run) + "y");
    names.emplace_back("xaay");
    expected.push_back(outcome(patterns.back(), names.back()));
  }
  patterns.push_back(repeated("(", 251) + "a" + repeated(")", 251));
  names.emplace_back("a");
  expected.push_back(outcome(patterns.back(), names.back()));
  EXPECT_EQ(expected.front(), "found");
  EXPECT_NE(expected.back().find("parentheses are too deeply nested"), std::string::npos);
  for (const size_t kib : {32, 64, 128}) {
    std::vector<std::string> outcomes;
    on_thread_with_stack(kib * 1024, [&] {
      for (size_t i = 0; i < patterns.size(); ++i)
        outcomes.push_back(outcome(patterns[i], names[i]));
    });
    ASSERT_EQ(outcomes.size(), patterns.size());
    for (size_t i = 0; i < patterns.size(); ++i)
      EXPECT_EQ(outcomes[i], expected[i]) << kib << " KiB: " << patterns[i];
  }
}

}  // namespace
}  // namespace engine
