#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// What the validator was asked to do, from its command line. The parent process parses the
/// user's options; each child gets them again with the one test it runs (--child) and the file
/// it reports into (--result).
struct Options {
  std::string module;              // the module under test
  int strictness = 5;              // 1..10: a test runs when its level is at most this
  std::vector<std::string> tests;  // --test NAME: only these (all of the level when empty)
  bool list = false;               // --list: print the tests and their levels, run nothing
  double timeout = 60.0;           // seconds one test may take in its child
  uint32_t seed = 1;               // every random choice derives from it
  int repeat = 3;                  // runs of each test at strictness 10
  bool skipEditor = false;         // --skip-editor: the editor tests pass with a line
  std::string json;                // --json FILE: the results for machines
  bool help = false;

  // Child side.
  std::string child;   // the test to run in this process
  std::string result;  // where the child writes its steps and its verdict
  int run = 0;         // which repetition of the test this is (0 first)
};

/// Parses argv into options; false with error set on a malformed command line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
/// The arguments that give a child the same options, without the module path.
std::vector<std::string> ChildArguments(const Options& options, const std::string& test, int run,
                                        const std::string& resultFile);
/// The usage text.
const char* UsageText();
