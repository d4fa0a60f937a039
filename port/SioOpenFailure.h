// Why a serial device could not be opened, told so that the user can act on it.
//
// The message table's text for the code stays first (it is stored data that callers may
// compare); the device path and what was found out about it follow: the device that was
// looked for, a path that is no terminal, the program holding a busy device (where /proc
// shows it), who may open a device the user may not (the group to join, when that group may
// read and write it; otherwise its owner), the system's own text for any other error.  The
// findings are kept apart as well, so that a program can word them its own way.  No Qt; any
// thread (reads the file system only).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

enum TOpenProblem : std::uint8_t {
  opNone,          // the last open worked
  opMissing,       // no device at the path
  opNotSerial,     // something is there, but not a terminal (a file, a folder, /dev/null)
  opBusy,          // another program (or another port) holds it
  opNoPermission,  // the user may not open it
  opOther,         // any other system error
};

struct TOpenFailure {
  TOpenProblem Problem = opNone;
  int Code = 0;         // the port's error code (negative; ecBadId, ecAlreadyOpen, -system error)
  std::string Path;     // the device path that was opened
  std::string Message;  // the whole message, as raised
  // What was found out, for a program's own words ("" when not found or not asked for):
  std::string Holders;  // opBusy: the programs that hold it, "name (pid N), ..."
  std::string Group;    // opNoPermission: a group that may read and write it, to join
  std::string Owner;    // opNoPermission without such a group: the user who owns it
  std::string Mode;     // opNoPermission: its type and permissions, as ls shows them ("crw-------")
};

// Describes the port's open result `code` (after the port mapped -2/-3 to ecBadId and -5 to
// ecAlreadyOpen) for `path`.  `procRoot` is where the process table is read (tests).
TOpenFailure DescribeOpenFailure(int code, const std::string& path, const std::string& procRoot = "/proc");

// ErrorText of a code without the blank and full stop a system text ends in, so that more
// words can follow it.
std::string PlainErrorText(int code);

// The name of the group that owns `path`, or "" when it cannot be told.
std::string DeviceGroup(const std::string& path);
// The group whose members may read and write `path` ("" when its group may not, or is root's:
// joining it would not help, or is not done).
std::string DeviceAccessGroup(const std::string& path);
// The processes that hold the device at `path` open, as "name (pid N)" joined by ", ";
// "" when none can be seen (another user's processes are hidden from a normal user).
std::string DeviceHolders(const std::string& path, const std::string& procRoot = "/proc");
// The processes that hold a lock (flock or fcntl) on each file, by its file system and inode,
// from the kernel's table of locks (which shows every user's, unlike the process table).
std::map<std::pair<dev_t, ino_t>, std::vector<std::string>> FileLocks(const std::string& procRoot = "/proc");
// The login name of user `uid` (its number when it has none).
std::string UserName(uid_t uid);
// The name a process goes by ("freqsim"), "a program" when it cannot be read.
std::string ProcessName(const std::string& procRoot, const std::string& pid);
// The same for several character devices (by device number) in one look at the process table.
std::map<dev_t, std::string> DeviceHoldersOf(const std::set<dev_t>& devices, const std::string& procRoot = "/proc");
