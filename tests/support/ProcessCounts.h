// The threads and open descriptors of the test process, to check that nothing stays behind.
#pragma once

#include <dirent.h>

// Calls `visit` with the name of each entry of a /proc folder; false when it cannot be read.
template <typename F>
bool ForEachFolderEntry(const char* folder, F&& visit) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return false;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') visit(entry->d_name);
  }
  closedir(dir);
  return true;
}

inline int CountFolderEntries(const char* folder) {
  int count = 0;
  return ForEachFolderEntry(folder, [&](const char*) { ++count; }) ? count : -1;
}

inline int CountThreads() { return CountFolderEntries("/proc/self/task"); }
// Less the descriptor that reads the folder itself.
inline int CountDescriptors() { return CountFolderEntries("/proc/self/fd") - 1; }
