// The fixture of the end-to-end suites: a game driver over a fresh folder of its own, and the game's
// log printed beside a failed test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "e2e/gamedriver.h"

namespace e2e {

class GameTest : public ::testing::Test {
 protected:
  // `kind` names the suite's folders ("<kind>-e2e-<pid>-<serial>" in the temporary folder).
  explicit GameTest(const char* kind) : kind_(kind) {}

  void SetUp() override {
    static int serial = 0;
    root_ = std::filesystem::temp_directory_path() /
            (kind_ + "-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    game_ = std::make_unique<GameDriver>(root_);
  }
  void TearDown() override {
    if (HasFailure() && game_) std::cerr << "---- the game's log ----\n" << game_->ReadLog() << "\n";
    game_.reset();
  }

  std::string kind_;
  std::filesystem::path root_;
  std::unique_ptr<GameDriver> game_;
};

}  // namespace e2e
