// Small helpers the test folders share: a whole file read into a string, and the log the framework
// writes into a folder ("logfile.txt" there), read back the same way.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

namespace testutil {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Everything logged so far into the log folder.
inline std::string ReadLogText(const std::string& logFolder) { return ReadFileText(logFolder + "/logfile.txt"); }

}  // namespace testutil
